#include "configurator/settings_record.h"

#include "configurator/value_lists.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using byte_list = std::vector<std::pair<std::size_t, std::uint8_t>>;

// What the dialog hands over right after start-up.
settings_form startup_form() {
    settings_form f;
    f.i2s_format = 1;  // "RJ64-16bit"
    f.mclk = 4;        // "512Fs - 22.5792+24.576"
    for (auto& s : f.control_signals) s = 0;  // "NC"
    return f;
}

settings_form zero_form() {
    settings_form f = startup_form();
    f.i2s_format = 0;
    f.mclk = 0;
    return f;
}

struct pack_case {
    const char* name;
    std::function<void(settings_form&)> edit;  // applied to the zero form
    byte_list before;                          // record bytes before packing (else 0)
    byte_list expected;                        // bytes 0-39 after packing (else 0)
};

std::string pack_case_name(const testing::TestParamInfo<pack_case>& info) { return info.param.name; }

class PackSettings : public testing::TestWithParam<pack_case> {};

TEST_P(PackSettings, RewritesBytes0To39AndKeepsTheRest) {
    const pack_case& c = GetParam();
    settings_record record{};
    for (std::size_t i = settings_record_fields_end; i < settings_record_size; ++i) {
        record[i] = static_cast<std::uint8_t>(0x5A ^ i);
    }
    for (const auto& [at, value] : c.before) record[at] = value;
    settings_record expected = record;
    for (std::size_t i = 0; i < settings_record_fields_end; ++i) expected[i] = 0;
    for (const auto& [at, value] : c.expected) expected[at] = value;

    settings_form form = zero_form();
    c.edit(form);
    pack_settings(form, record);
    EXPECT_EQ(record, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PackSettings,
    testing::Values(
        pack_case{"StartupValues", [](settings_form& f) { f = startup_form(); }, {}, {{0, 0x14}}},
        pack_case{"HighestIndicesAndAllFlags",
                  [](settings_form& f) {
                      f.i2s_format = 2;
                      f.mclk = 7;
                      f.use_sound_folder = f.hi_res = f.plugin_option = true;
                  },
                  {}, {{0, 0xEF}}},
        pack_case{"OnlyPluginOption", [](settings_form& f) { f.plugin_option = true; }, {}, {{0, 0x08}}},
        pack_case{"OnlyHiRes", [](settings_form& f) { f.hi_res = true; }, {}, {{0, 0x40}}},
        pack_case{"OnlySoundFolder", [](settings_form& f) { f.use_sound_folder = true; }, {}, {{0, 0x80}}},
        pack_case{"Byte0IsAssignedNotMerged", [](settings_form&) {}, {{0, 0xFF}}, {}},
        pack_case{"KeyboardNibblesHighFirst",
                  [](settings_form& f) { f.kbd_keys = {1, 2, 3, 4, 5, 6}; },
                  {}, {{1, 0x12}, {2, 0x34}, {3, 0x56}}},
        pack_case{"KeyboardKeepsLowNibble", [](settings_form& f) { f.kbd_keys[0] = 0x1C; }, {},
                  {{1, 0xC0}}},
        pack_case{"SignalsMuteAndAux",
                  [](settings_form& f) {
                      f.control_signals[0] = 1;   // "MUTE"
                      f.control_signals[5] = 11;  // "AUX"
                  },
                  {}, {{4, 0x01}, {5, 0x00}, {6, 0xB0}, {7, 0x00}}},
        pack_case{"EachSignalInItsOwnNibble",
                  [](settings_form& f) { f.control_signals = {1, 2, 3, 4, 5, 6}; }, {},
                  {{4, 0x21}, {5, 0x43}, {6, 0x65}}},
        pack_case{"SignalWordTopByteCleared", [](settings_form&) {}, {{7, 0xFF}}, {}},
        pack_case{"CodeKeepsLastFourDigits", [](settings_form& f) { f.remote_codes[0] = 0x1F2E3; },
                  {}, {{8, 0xE3}, {9, 0xF2}}},
        pack_case{"LargestCodeInLastSlot",
                  [](settings_form& f) { f.remote_codes[15] = 0xFFFFFFFF; }, {},
                  {{38, 0xFF}, {39, 0xFF}}},
        pack_case{"EveryCodeAtItsOffset",
                  [](settings_form& f) {
                      for (std::uint32_t k = 0; k < 16; ++k) f.remote_codes[k] = 0x100 * k + k + 1;
                  },
                  {},
                  {{8, 0x01}, {9, 0x00}, {10, 0x02}, {11, 0x01}, {12, 0x03}, {13, 0x02},
                   {14, 0x04}, {15, 0x03}, {16, 0x05}, {17, 0x04}, {18, 0x06}, {19, 0x05},
                   {20, 0x07}, {21, 0x06}, {22, 0x08}, {23, 0x07}, {24, 0x09}, {25, 0x08},
                   {26, 0x0A}, {27, 0x09}, {28, 0x0B}, {29, 0x0A}, {30, 0x0C}, {31, 0x0B},
                   {32, 0x0D}, {33, 0x0C}, {34, 0x0E}, {35, 0x0D}, {36, 0x0F}, {37, 0x0E},
                   {38, 0x10}, {39, 0x0F}}},
        // A list without a selection keeps what the record holds in its bits.
        pack_case{"NoI2sSelectionKeepsI2sBits",
                  [](settings_form& f) {
                      f.i2s_format.reset();
                      f.mclk = 5;
                  },
                  {{0, 0xFF}}, {{0, 0x35}}},
        pack_case{"NoMclkSelectionKeepsMclkBits",
                  [](settings_form& f) {
                      f.mclk.reset();
                      f.i2s_format = 1;
                  },
                  {{0, 0xFE}}, {{0, 0x16}}},
        pack_case{"NoSignalSelectionKeepsItsNibble",
                  [](settings_form& f) {
                      f.control_signals[2].reset();
                      f.control_signals[3] = 7;
                  },
                  {{4, 0xFF}, {5, 0xDE}, {6, 0xFF}, {7, 0xFF}}, {{5, 0x7E}}}),
    pack_case_name);

struct unpack_case {
    const char* name;
    byte_list bytes;
    std::function<void(settings_form&)> expect;  // applied to the zero form
};

std::string unpack_case_name(const testing::TestParamInfo<unpack_case>& info) {
    return info.param.name;
}

class UnpackSettings : public testing::TestWithParam<unpack_case> {};

TEST_P(UnpackSettings, GivesTheEditorsValues) {
    const unpack_case& c = GetParam();
    settings_record record{};
    for (std::size_t i = settings_record_fields_end; i < settings_record_size; ++i) record[i] = 0xFF;
    for (const auto& [at, value] : c.bytes) record[at] = value;
    settings_form expected = zero_form();
    c.expect(expected);
    EXPECT_EQ(unpack_settings(record), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, UnpackSettings,
    testing::Values(
        unpack_case{"ZeroRecord", {}, [](settings_form&) {}},
        unpack_case{"I2sThreeHasNoEntry", {{0, 0x30}}, [](settings_form& f) { f.i2s_format.reset(); }},
        unpack_case{"AllOfByte0",
                    {{0, 0xEF}},
                    [](settings_form& f) {
                        f.i2s_format = 2;
                        f.mclk = 7;
                        f.use_sound_folder = f.hi_res = f.plugin_option = true;
                    }},
        unpack_case{"Flags", {{0, 0xC8}},
                    [](settings_form& f) { f.use_sound_folder = f.hi_res = f.plugin_option = true; }},
        unpack_case{"KeyboardHighNibbleFirst",
                    {{1, 0xAB}, {2, 0xCD}, {3, 0xEF}},
                    [](settings_form& f) { f.kbd_keys = {0xA, 0xB, 0xC, 0xD, 0xE, 0xF}; }},
        unpack_case{"SignalsWithAndWithoutEntries",
                    {{4, 0xDC}, {5, 0xFE}, {6, 0x0B}, {7, 0xFF}},
                    [](settings_form& f) {
                        for (int i = 0; i < 4; ++i) f.control_signals[i].reset();
                        f.control_signals[4] = 11;
                        f.control_signals[5] = 0;
                    }},
        unpack_case{"SignalsMuteAndAux", {{4, 0x01}, {6, 0xB0}},
                    [](settings_form& f) {
                        f.control_signals[0] = 1;
                        f.control_signals[5] = 11;
                    }},
        unpack_case{"CodesLittleEndian",
                    {{8, 0xE3}, {9, 0xF2}, {38, 0xFF}, {39, 0xFF}},
                    [](settings_form& f) {
                        f.remote_codes[0] = 0xF2E3;
                        f.remote_codes[15] = 0xFFFF;
                    }}),
    unpack_case_name);

TEST(SettingsRoundTrip, UnpackingWhatWasPackedGivesTheSameValues) {
    std::mt19937 random(7);
    for (int round = 0; round < 500; ++round) {
        settings_form form;
        auto pick = [&](std::uint32_t n) -> list_index {
            const std::uint32_t v = random() % (n + 1);
            return v == n ? list_index{} : list_index{v};
        };
        form.i2s_format = random() % 3;
        form.mclk = random() % 8;
        form.use_sound_folder = random() & 1;
        form.hi_res = random() & 1;
        form.plugin_option = random() & 1;
        for (auto& k : form.kbd_keys) k = random() % 16;
        for (auto& s : form.control_signals) s = pick(12);
        for (auto& c : form.remote_codes) c = random() % 0x10000;

        settings_record record{};
        pack_settings(form, record);
        settings_form back = unpack_settings(record);
        // A signal without a selection keeps the record's nibble, which is 0 ("NC") here.
        for (auto& s : form.control_signals) {
            if (!s) s = 0;
        }
        ASSERT_EQ(back, form) << "round " << round;
    }
}

TEST(SettingsRoundTrip, PackingWhatWasUnpackedKeepsEveryFieldBit) {
    std::mt19937 random(11);
    for (int round = 0; round < 500; ++round) {
        settings_record record;
        for (auto& b : record) b = static_cast<std::uint8_t>(random());
        settings_record expected = record;
        expected[7] = 0;  // the signal word's top byte is no field
        pack_settings(unpack_settings(record), record);
        ASSERT_EQ(record, expected) << "round " << round;
    }
}

TEST(ValueLists, LabelsInTheEditorsOrder) {
    EXPECT_STREQ(i2s_format_labels[1], "RJ64-16bit");
    EXPECT_STREQ(mclk_labels[4], "512Fs - 22.5792+24.576");
    EXPECT_STREQ(mclk_labels[7], "int.MCLK");
    EXPECT_STREQ(control_signal_labels[11], "AUX");
    EXPECT_EQ(list_label(i2s_format_labels, 3), nullptr);
    EXPECT_EQ(list_index_of(control_signal_labels, "HiRes"), list_index{7});
    EXPECT_EQ(list_index_of(control_signal_labels, "hires"), list_index{});
}

}  // namespace
