// transliterate_cp1251 over arbitrary bytes. What it must never do:
// - read past the text's terminator (the text sits in a heap block that ends
//   right after it, so ASan sees any such read);
// - write more bytes than it read (the output, terminator included, is never
//   longer than the input);
// - swallow an ASCII character: apart from spaces, the ASCII bytes of the
//   output are those of the input, in order;
// - put out a high byte that is not a Windows-1251 Cyrillic letter.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "component/display/track_text.h"

namespace {

std::string ascii_without_spaces(const unsigned char* text) {
    std::string kept;
    for (; *text != 0; ++text) {
        if (*text < 0x80 && *text != ' ') kept += static_cast<char>(*text);
    }
    return kept;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::size_t length = 0;
    while (length < size && data[length] != 0) ++length;

    auto* text = static_cast<unsigned char*>(std::malloc(length + 1));
    std::memcpy(text, data, length);
    text[length] = 0;
    const std::string expected_ascii = ascii_without_spaces(text);

    transliterate_cp1251(reinterpret_cast<char*>(text));

    const std::size_t out_length = std::strlen(reinterpret_cast<char*>(text));
    if (out_length > length) std::abort();
    if (ascii_without_spaces(text) != expected_ascii) std::abort();
    for (std::size_t i = 0; i < out_length; ++i) {
        const unsigned char b = text[i];
        if (b >= 0x80 && b < 0xC0 && b != 0xA8 && b != 0xB8) std::abort();
    }
    std::free(text);
    return 0;
}
