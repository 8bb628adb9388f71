#include "tools/device/cp1251.h"

#include <gtest/gtest.h>

#include <iconv.h>

#include <string>

namespace tavix::device {
namespace {

TEST(Cp1251Test, UpperHalfTable)
{
    struct Case {
        unsigned char byte;
        char32_t expected;
    };
    const Case cases[] = {
        {0x80, 0x0402}, {0x82, 0x201A}, {0x85, 0x2026}, {0x88, 0x20AC}, {0x8F, 0x040F},
        {0x90, 0x0452}, {0x96, 0x2013}, {0x97, 0x2014}, {0x98, replacement_character},
        {0x99, 0x2122}, {0x9F, 0x045F}, {0xA0, 0x00A0}, {0xA5, 0x0490}, {0xA8, 0x0401},
        {0xAD, 0x00AD}, {0xB2, 0x0406}, {0xB4, 0x0491}, {0xB8, 0x0451}, {0xB9, 0x2116},
        {0xBF, 0x0457}, {0xC0, 0x0410}, {0xDF, 0x042F}, {0xE0, 0x0430}, {0xFF, 0x044F},
        {0x00, 0x0000}, {0x41, 0x0041}, {0x7F, 0x007F},
    };
    for (const Case& c : cases)
        EXPECT_EQ(cp1251_char(c.byte), c.expected) << std::hex << int(c.byte);
}

// glibc's converter is an independent reading of the same code page.
TEST(Cp1251Test, AgreesWithIconvOnEveryByte)
{
    iconv_t cd = iconv_open("UTF-8", "CP1251");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1)) << "glibc has no CP1251 converter here";
    for (int b = 1; b < 256; ++b) {
        char in[1] = {static_cast<char>(b)};
        char out[8] = {};
        char* inp = in;
        char* outp = out;
        size_t inleft = 1, outleft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        size_t rc = iconv(cd, &inp, &inleft, &outp, &outleft);
        std::string ours = cp1251_to_utf8(std::string(1, static_cast<char>(b)));
        if (rc == static_cast<size_t>(-1)) {
            EXPECT_EQ(b, 0x98) << "iconv rejects only the undefined byte";
            EXPECT_EQ(ours, "\xEF\xBF\xBD");
        } else {
            EXPECT_EQ(ours, std::string(out, sizeof out - outleft)) << "byte " << b;
        }
    }
    iconv_close(cd);
}

TEST(Cp1251Test, Texts)
{
    EXPECT_EQ(cp1251_to_utf8(""), "");
    EXPECT_EQ(cp1251_to_utf8("Plain ASCII 123"), "Plain ASCII 123");
    EXPECT_EQ(cp1251_to_utf8("\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0!"), "Привет, мир!");
    EXPECT_EQ(cp1251_to_utf8("\xA8\xEB\xEA\xE8 \x96 \xB9\x31 \x88"), "Ёлки – №1 €");
    EXPECT_EQ(cp1251_to_utf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Cp1251Test, Utf8Encoding)
{
    struct Case {
        char32_t c;
        const char* utf8;
    };
    const Case cases[] = {{0x41, "A"}, {0x7F, "\x7F"}, {0x80, "\xC2\x80"}, {0x7FF, "\xDF\xBF"},
                          {0x800, "\xE0\xA0\x80"}, {0xFFFD, "\xEF\xBF\xBD"},
                          {0x1F600, "\xF0\x9F\x98\x80"}};
    for (const Case& c : cases) {
        std::string out;
        append_utf8(out, c.c);
        EXPECT_EQ(out, c.utf8);
    }
}

}  // namespace
}  // namespace tavix::device
