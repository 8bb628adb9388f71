#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "sdk/cfg_var.h"

namespace {

using bytes = std::vector<std::uint8_t>;

bytes raw_of(const cfg_var& var) {
    std::string raw;
    var.get_raw(raw);
    return bytes(raw.begin(), raw.end());
}

constexpr GUID guid_n(std::uint32_t n) { return GUID{n, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}}; }

TEST(CfgVar, IntegerStoredFormsAreLittleEndian) {
    cfg_int_t<bool> flag(guid_n(1), true);
    cfg_int_t<int> number(guid_n(2), -2);
    cfg_int_t<std::uint16_t> word(guid_n(3), 0x1234);
    cfg_int_t<std::int64_t> wide(guid_n(4), 0x0102030405060708);
    EXPECT_EQ(raw_of(flag), bytes{1});
    EXPECT_EQ(raw_of(number), (bytes{0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(raw_of(word), (bytes{0x34, 0x12}));
    EXPECT_EQ(raw_of(wide), (bytes{8, 7, 6, 5, 4, 3, 2, 1}));
    flag = false;
    EXPECT_EQ(raw_of(flag), bytes{0});

    const bytes stored = {0x00, 0x00, 0x00, 0x80};
    EXPECT_TRUE(number.set_raw(stored.data(), stored.size()));
    EXPECT_EQ(number, -2147483647 - 1);
    const bytes any_nonzero = {0x02};
    EXPECT_TRUE(flag.set_raw(any_nonzero.data(), 1));
    EXPECT_TRUE(flag);
}

TEST(CfgVar, WrongSizeIsRefusedAndTheValueKept) {
    cfg_int_t<bool> flag(guid_n(1), true);
    cfg_int_t<int> number(guid_n(2), 7);
    struct pod {
        std::uint8_t b[5];
    };
    cfg_struct_t<pod> record(guid_n(3), pod{{1, 2, 3, 4, 5}});
    const bytes big(16, 0xAA);
    for (std::size_t size : {0, 2, 3, 4, 5, 6, 16}) {
        if (size != 1) {
            EXPECT_FALSE(flag.set_raw(big.data(), size)) << size;
        }
        if (size != 4) {
            EXPECT_FALSE(number.set_raw(big.data(), size)) << size;
        }
        if (size != 5) {
            EXPECT_FALSE(record.set_raw(big.data(), size)) << size;
        }
    }
    EXPECT_TRUE(flag);
    EXPECT_EQ(number, 7);
    EXPECT_EQ(raw_of(record), (bytes{1, 2, 3, 4, 5}));
    EXPECT_TRUE(record.set_raw(big.data(), 5));
    EXPECT_EQ(raw_of(record), bytes(5, 0xAA));
}

TEST(CfgVar, StringsStoreTheirCharactersOnly) {
    cfg_string text(guid_n(1), "IR");
    EXPECT_EQ(raw_of(text), (bytes{'I', 'R'}));
    const char stored[] = {'C', 'O', 'M', '9'};
    EXPECT_TRUE(text.set_raw(stored, sizeof stored));
    EXPECT_STREQ(text, "COM9");
    const char with_zero[] = {'a', 0, 'b'};
    EXPECT_TRUE(text.set_raw(with_zero, sizeof with_zero));
    EXPECT_STREQ(text, "a");
    EXPECT_TRUE(text.set_raw(nullptr, 0));
    EXPECT_STREQ(text, "");
    text.reset();
    EXPECT_STREQ(text, "IR");
}

TEST(CfgVar, ListKeepsConstructionOrderAndFindsByGuid) {
    ASSERT_EQ(cfg_var::list(), nullptr);
    {
        cfg_int_t<int> a(guid_n(10), 1);
        cfg_string b(guid_n(11), "");
        {
            cfg_int_t<bool> c(guid_n(12), false);
            EXPECT_EQ(cfg_var::list(), &a);
            EXPECT_EQ(a.get_next(), &b);
            EXPECT_EQ(b.get_next(), &c);
            EXPECT_EQ(cfg_var::find(guid_n(12)), &c);
        }
        EXPECT_EQ(b.get_next(), nullptr);
        EXPECT_EQ(cfg_var::find(guid_n(12)), nullptr);
        EXPECT_EQ(cfg_var::find(guid_n(11)), &b);
    }
    EXPECT_EQ(cfg_var::list(), nullptr);
}

}  // namespace
