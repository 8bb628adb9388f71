// fill_names_from_path (and the storing of a path before it) over arbitrary
// bytes. What they must never do:
// - read past the path's terminator or write past album and title, each given
//   exactly as many bytes as the path holds (heap blocks, so ASan sees it);
// - write more than they read: album and title are pieces of the path, each
//   without a backslash, and the title never reaches past the last dot;
// - store more than 255 bytes of a path, or anything but its beginning.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "component/display/track_text.h"

namespace {

char* heap_copy(const char* text, std::size_t length) {
    auto* copy = static_cast<char*>(std::malloc(length + 1));
    std::memcpy(copy, text, length);
    copy[length] = '\0';
    return copy;
}

void check_names(const std::string& path, const char* album, const char* title) {
    const std::string a = album;
    const std::string t = title;
    if (a.size() >= path.size() + 1 || t.size() >= path.size() + 1) std::abort();
    if (a.find('\\') != std::string::npos || t.find('\\') != std::string::npos) std::abort();
    if (path.find(a) == std::string::npos || path.find(t) == std::string::npos) std::abort();
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos && (!a.empty() || !t.empty())) std::abort();
    if (!t.empty() && path.find(t + '.') == std::string::npos) std::abort();
    if (!a.empty() && !t.empty() && path.find(a + '\\' + t + '.') == std::string::npos) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::size_t length = 0;
    while (length < size && data[length] != 0) ++length;
    const std::string path(reinterpret_cast<const char*>(data), length);

    char* exact_path = heap_copy(path.c_str(), length);
    char* album = static_cast<char*>(std::malloc(length + 1));
    char* title = static_cast<char*>(std::malloc(length + 1));
    fill_names_from_path(exact_path, album, title);
    check_names(path, album, title);
    std::free(title);
    std::free(album);
    std::free(exact_path);

    // The same path the way a track stores it: cut into a 256-byte buffer.
    auto* state = static_cast<now_playing_state*>(std::malloc(sizeof(now_playing_state)));
    std::memset(state, 0x5A, sizeof *state);
    store_track_text(state->path, path.c_str());
    const std::string stored = state->path;
    if (stored.size() > 255 || path.compare(0, stored.size(), stored) != 0) std::abort();
    if (path.size() <= 255 && stored != path) std::abort();
    if (path.size() > 255 && stored.size() < 252) std::abort();
    fill_names_from_path(*state);
    check_names(stored, state->album, state->title);
    std::free(state);
    return 0;
}
