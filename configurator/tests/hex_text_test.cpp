#include "configurator/hex_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

struct parse_case {
    const char* text;
    std::uint32_t value;
};

class ParseHexText : public testing::TestWithParam<parse_case> {};

TEST_P(ParseHexText, Value) {
    EXPECT_EQ(parse_hex_text(GetParam().text), GetParam().value) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParseHexText,
    testing::Values(parse_case{"0", 0}, parse_case{"", 0}, parse_case{"00012", 0x12},
                    parse_case{"1F2E3", 0x1F2E3}, parse_case{"abcdef", 0xABCDEF},
                    parse_case{"ABCDEF", 0xABCDEF}, parse_case{"zz", 0},
                    parse_case{"0x1F", 0},        // no prefix: the scan ends at the x
                    parse_case{" 12", 0},         // blanks are not skipped
                    parse_case{"-1", 0}, parse_case{"+1", 0}, parse_case{"12zz", 0x12},
                    parse_case{"1 2", 1}, parse_case{"g", 0}, parse_case{"G1", 0},
                    parse_case{"FFFFFFFFF", 0xFFFFFFFF},            // nine digits wrap
                    parse_case{"123456789ABCDEF", 0x89ABCDEF},      // only the last eight count
                    parse_case{"123456789AB", 0x456789AB},          // what a code field hands over
                    parse_case{"000000000000000F", 0xF},            // sixteen characters scanned
                    parse_case{"0000000000000000F", 0},             // the seventeenth is not
                    parse_case{"123456789abcdef01234", 0x9ABCDEF0}));

struct format_case {
    std::uint32_t value;
    const char* text;
};

class FormatHexText : public testing::TestWithParam<format_case> {};

TEST_P(FormatHexText, Text) { EXPECT_EQ(format_hex_text(GetParam().value), GetParam().text); }

INSTANTIATE_TEST_SUITE_P(Table, FormatHexText,
                         testing::Values(format_case{0, "0"}, format_case{0x12, "12"},
                                         format_case{0xC, "c"}, format_case{0x10, "10"},
                                         format_case{0xF2E3, "f2e3"},
                                         format_case{0xFFFFFFFF, "ffffffff"},
                                         format_case{0x80000000, "80000000"}));

TEST(HexText, FormattedValuesParseBack) {
    for (std::uint64_t v = 0; v <= 0xFFFFFFFF; v = v * 3 + 1) {
        const auto value = static_cast<std::uint32_t>(v);
        ASSERT_EQ(parse_hex_text(format_hex_text(value)), value);
    }
}

}  // namespace
