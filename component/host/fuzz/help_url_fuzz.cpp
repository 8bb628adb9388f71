// The help address is made from whatever path the player hands over. It must
// never read outside that text, and whatever it makes must be a file URL of
// the help text with nothing in it that ends or changes the address: only
// letters, digits, the URL's plain punctuation, '/' and %XX escapes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "component/host/help_url.h"

namespace {

bool is_hex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

bool is_plain(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           std::strchr("-._~!$&'()*+,;=:@/", c) != nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path(reinterpret_cast<const char*>(data), size);
    const std::string url = help_url_beside(path);
    if (url.empty()) return 0;  // a path that names no folder
    if (url.compare(0, 7, "file://") != 0) std::abort();
    const std::string tail = std::string("/") + help_file_name;
    if (url.size() < tail.size() || url.compare(url.size() - tail.size(), tail.size(), tail) != 0) std::abort();
    for (std::size_t i = 5; i < url.size(); ++i) {
        if (url[i] == '%') {
            if (i + 2 >= url.size() || !is_hex(url[i + 1]) || !is_hex(url[i + 2])) std::abort();
            i += 2;
        } else if (!is_plain(url[i])) {
            std::abort();
        }
    }
    return 0;
}
