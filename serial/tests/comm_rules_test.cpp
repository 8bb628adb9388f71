#include "serial/comm_rules.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace rules = tavix::serial;

TEST(PackNotification, EventsLowWordErrorsHighWordHighBitsDropped)
{
    struct Case {
        uint32_t events, errors, packed;
    };
    const Case cases[] = {
        {0x0001, 0x0000, 0x00000001},      // a received byte
        {0x0081, 0x0008, 0x00080081},      // byte and line error, CE_FRAME pending
        {0x00C1, 0xFFFF, 0xFFFF00C1},
        {0x12345, 0xABCDE, 0xBCDE2345},    // bits above 16 are lost on both sides
        {0xFFFF0000, 0xFFFF0000, 0x00000000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(rules::pack_notification(c.events, c.errors), c.packed)
            << std::hex << c.events << " " << c.errors;
}

TEST(StoredSettingsName, OnlyALeadingDeviceNamespacePrefixIsDropped)
{
    struct Case {
        const wchar_t* port;
        const wchar_t* stored;
    };
    const Case cases[] = {
        {L"\\\\.\\COM12", L"COM12"},
        {L"\\\\.\\COM7", L"COM7"},
        {L"COM3", L"COM3"},
        {L"\\\\?\\COM3", L"\\\\?\\COM3"},  // not the device namespace
        {L"\\\\.", L"\\\\."},              // cut short: nothing to drop
        {L"\\\\.\\", L""},
        {L"", L""},
        {L"x\\\\.\\COM1", L"x\\\\.\\COM1"},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(rules::stored_settings_name(c.port), c.stored) << c.port;
    EXPECT_EQ(rules::stored_settings_name(nullptr), nullptr);
}

TEST(FlowSettings, EachModeSetsItsFieldsAndUnknownModesAreRefused)
{
    struct Case {
        int mode;
        rules::FlowSettings expected;
    };
    const Case cases[] = {
        {0, {false, false, 0, 0, false, false}},
        {1, {true, true, 2, 2, false, false}},
        {2, {false, false, 0, 0, true, true}},
    };
    for (const Case& c : cases) {
        rules::FlowSettings got{};
        ASSERT_TRUE(rules::flow_settings_for(c.mode, got)) << c.mode;
        EXPECT_EQ(got.outx_cts_flow, c.expected.outx_cts_flow) << c.mode;
        EXPECT_EQ(got.outx_dsr_flow, c.expected.outx_dsr_flow) << c.mode;
        EXPECT_EQ(got.dtr_control, c.expected.dtr_control) << c.mode;
        EXPECT_EQ(got.rts_control, c.expected.rts_control) << c.mode;
        EXPECT_EQ(got.out_x, c.expected.out_x) << c.mode;
        EXPECT_EQ(got.in_x, c.expected.in_x) << c.mode;
        // What a mode sets reads back as that mode.
        EXPECT_EQ(rules::flow_mode_of(got.dtr_control, got.rts_control, got.out_x, got.in_x), c.mode);
    }
    for (int mode : {3, -1, 1000}) {
        rules::FlowSettings untouched{true, false, 1, 1, true, false};
        EXPECT_FALSE(rules::flow_settings_for(mode, untouched)) << mode;
        EXPECT_TRUE(untouched.outx_cts_flow);
        EXPECT_EQ(untouched.dtr_control, 1);
    }
}

TEST(FlowModeOf, HandshakeOnBothLinesWinsThenXonXoffBothWays)
{
    struct Case {
        uint8_t dtr, rts;
        bool out_x, in_x;
        int mode;
    };
    const Case cases[] = {
        {2, 2, false, false, 1},
        {2, 2, true, true, 1},    // hardware wins over XON/XOFF
        {2, 1, false, false, 0},  // handshake on one line only is not hardware
        {1, 2, true, true, 2},
        {0, 0, true, true, 2},
        {0, 0, true, false, 0},   // XON/XOFF one way only
        {0, 0, false, true, 0},
        {1, 1, false, false, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(rules::flow_mode_of(c.dtr, c.rts, c.out_x, c.in_x), c.mode)
            << int(c.dtr) << " " << int(c.rts) << " " << c.out_x << " " << c.in_x;
}

TEST(ReportedParity, ParityCodeCountsOnlyWhileEnabled)
{
    EXPECT_EQ(rules::reported_parity(false, 2), 0);
    EXPECT_EQ(rules::reported_parity(false, 0), 0);
    EXPECT_EQ(rules::reported_parity(true, 2), 2);
    EXPECT_EQ(rules::reported_parity(true, 4), 4);
}

TEST(ReadInterval, NonBlockingReturnsAtOnceBlockingWaitsOthersRefused)
{
    uint32_t interval = 7;
    ASSERT_TRUE(rules::read_interval_for(0, interval));
    EXPECT_EQ(interval, 0xFFFFFFFFu);
    ASSERT_TRUE(rules::read_interval_for(1, interval));
    EXPECT_EQ(interval, 0u);
    interval = 7;
    EXPECT_FALSE(rules::read_interval_for(2, interval));
    EXPECT_FALSE(rules::read_interval_for(-1, interval));
    EXPECT_EQ(interval, 7u);
}
