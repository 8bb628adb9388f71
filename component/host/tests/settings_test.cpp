#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "component/host/guids.h"
#include "component/host/settings.h"
#include "sdk/player/client_api.h"
#include "sdk/testing/fake_host.h"

namespace {

using bytes = std::vector<std::uint8_t>;

struct stored_item {
    GUID guid;
    bytes data;
};

class collecting_sink final : public config_sink {
public:
    std::vector<stored_item> items;
    void put(const GUID& guid, const void* data, std::size_t size) override {
        const auto* p = static_cast<const std::uint8_t*>(data);
        items.push_back({guid, bytes(p, p + size)});
    }
};

bytes text(const char* s) { return bytes(s, s + std::string(s).size()); }

// The fourteen settings in registration order with the stored form of
// their defaults.
const std::vector<stored_item>& default_stored_forms() {
    static const std::vector<stored_item> items = {
        {tavix_guid::cfg_enable, {0}},
        {tavix_guid::cfg_spare_int_1, {0x80, 0x25, 0, 0}},  // 9600
        {tavix_guid::cfg_spare_string_1, text("IR")},
        {tavix_guid::cfg_spare_string_2, text("COM1")},
        {tavix_guid::cfg_spare_int_2, {0, 0, 0, 0}},
        {tavix_guid::cfg_spare_int_3, {8, 0, 0, 0}},
        {tavix_guid::cfg_spare_int_4, {0, 0, 0, 0}},
        {tavix_guid::cfg_spare_int_5, {0, 0, 0, 0}},
        {tavix_guid::cfg_spare_flag_1, {1}},
        {tavix_guid::cfg_spare_flag_2, {1}},
        {tavix_guid::cfg_code_length, {4, 0, 0, 0}},
        {tavix_guid::cfg_spare_int_6, {50, 0, 0, 0}},
        {tavix_guid::cfg_repeat_delay, {200, 0, 0, 0}},
        {tavix_guid::cfg_ircodes, bytes(88, 0)},
    };
    return items;
}

class Settings : public ::testing::Test {
protected:
    void SetUp() override { restore_default_settings(); }
    void TearDown() override { restore_default_settings(); }

    std::vector<stored_item> saved() {
        collecting_sink sink;
        host.client().get_config(sink);
        return sink.items;
    }

    fake_host host;
};

void expect_same(const std::vector<stored_item>& got, const std::vector<stored_item>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE(i + 1);
        EXPECT_TRUE(got[i].guid == want[i].guid);
        EXPECT_EQ(got[i].data, want[i].data);
    }
}

TEST_F(Settings, DefaultsAreStoredInRegistrationOrder) { expect_same(saved(), default_stored_forms()); }

TEST_F(Settings, DefaultsAsTheCodeReadsThem) {
    EXPECT_FALSE(cfg_enable);
    EXPECT_EQ(cfg_spare_int_1, 9600);
    EXPECT_STREQ(cfg_spare_string_1, "IR");
    EXPECT_STREQ(cfg_spare_string_2, "COM1");
    EXPECT_EQ(cfg_spare_int_3, 8);
    EXPECT_TRUE(cfg_spare_flag_1);
    EXPECT_TRUE(cfg_spare_flag_2);
    EXPECT_EQ(cfg_code_length, 4);
    EXPECT_EQ(cfg_spare_int_6, 50);
    EXPECT_EQ(cfg_repeat_delay, 200);
    EXPECT_EQ(effective_code_length(), 4u);
    EXPECT_EQ(effective_repeat_delay(), 200u);
}

TEST_F(Settings, StoredFormsOfChangedValues) {
    cfg_enable = true;
    cfg_spare_int_1 = -2;
    cfg_spare_string_2 = "COM12";
    cfg_repeat_delay = 0x01020304;
    t_ircodes table{};
    table.codes[ircode_mute][0] = 0xAB;
    table.codes[ircode_play][7] = 0xCD;
    cfg_ircodes = table;

    std::vector<stored_item> want = default_stored_forms();
    want[0].data = {1};
    want[1].data = {0xFE, 0xFF, 0xFF, 0xFF};
    want[3].data = text("COM12");
    want[12].data = {0x04, 0x03, 0x02, 0x01};
    want[13].data[80] = 0xAB;
    want[13].data[7] = 0xCD;
    expect_same(saved(), want);
}

TEST_F(Settings, RestoredValuesReplaceTheDefaults) {
    struct row {
        const char* name;
        GUID guid;
        bytes stored;
    };
    bytes table(88, 0);
    table[40] = 0x11;
    table[87] = 0x22;
    const row rows[] = {
        {"enable", tavix_guid::cfg_enable, {1}},
        {"spare string", tavix_guid::cfg_spare_string_1, text("remote")},
        {"empty string", tavix_guid::cfg_spare_string_2, {}},
        {"code length", tavix_guid::cfg_code_length, {2, 0, 0, 0}},
        {"negative delay", tavix_guid::cfg_repeat_delay, {0xFB, 0xFF, 0xFF, 0xFF}},
        {"code table", tavix_guid::cfg_ircodes, table},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_TRUE(host.client().set_config_item(r.guid, r.stored.data(), r.stored.size()));
        for (const stored_item& item : saved())
            if (item.guid == r.guid) {
                EXPECT_EQ(item.data, r.stored);
            }
    }
    EXPECT_TRUE(cfg_enable);
    EXPECT_STREQ(cfg_spare_string_1, "remote");
    EXPECT_EQ(cfg_code_length, 2);
    EXPECT_EQ(cfg_repeat_delay, -5);
    EXPECT_EQ(effective_repeat_delay(), 0u);
    EXPECT_EQ(cfg_ircodes.get_value().codes[ircode_next_random][0], 0x11);
    EXPECT_EQ(cfg_ircodes.get_value().codes[ircode_mute][7], 0x22);
}

TEST_F(Settings, WrongSizedOrUnknownStoredValuesAreIgnored) {
    struct row {
        const char* name;
        GUID guid;
        bytes stored;
    };
    const GUID unknown = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    const row rows[] = {
        {"flag of two bytes", tavix_guid::cfg_enable, {1, 1}},
        {"empty flag", tavix_guid::cfg_enable, {}},
        {"integer of three bytes", tavix_guid::cfg_code_length, {9, 0, 0}},
        {"integer of eight bytes", tavix_guid::cfg_repeat_delay, {1, 0, 0, 0, 0, 0, 0, 0}},
        {"short code table", tavix_guid::cfg_ircodes, bytes(80, 0x33)},
        {"long code table", tavix_guid::cfg_ircodes, bytes(96, 0x33)},
        {"unknown GUID", unknown, {1, 0, 0, 0}},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_FALSE(host.client().set_config_item(r.guid, r.stored.data(), r.stored.size()));
    }
    expect_same(saved(), default_stored_forms());
}

TEST_F(Settings, RestoringDefaultsForgetsEverything) {
    cfg_enable = true;
    cfg_spare_int_1 = 1;
    cfg_spare_string_1 = "x";
    cfg_spare_string_2 = "y";
    cfg_spare_int_2 = 2;
    cfg_spare_int_3 = 3;
    cfg_spare_int_4 = 4;
    cfg_spare_int_5 = 5;
    cfg_spare_flag_1 = false;
    cfg_spare_flag_2 = false;
    cfg_code_length = 7;
    cfg_spare_int_6 = 6;
    cfg_repeat_delay = 9;
    t_ircodes table;
    for (auto& slot : table.codes)
        for (auto& b : slot) b = 0xFF;
    cfg_ircodes = table;

    restore_default_settings();
    expect_same(saved(), default_stored_forms());
}

TEST_F(Settings, OutOfRangeCodeLengthIsClampedForUse) {
    struct row {
        int stored;
        std::size_t used;
    };
    const row rows[] = {{-2147483647 - 1, 1}, {-1, 1}, {0, 1}, {1, 1}, {5, 5}, {8, 8}, {9, 8}, {2147483647, 8}};
    for (const row& r : rows) {
        cfg_code_length = r.stored;
        EXPECT_EQ(effective_code_length(), r.used) << r.stored;
    }
}

}  // namespace
