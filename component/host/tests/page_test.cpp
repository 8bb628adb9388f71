// The preferences page as a user drives it, under Wine in Xvfb: the dialog
// made from resource 102 in a window of the "player", its buttons clicked,
// and what the switch and the learn buttons do to the port, the learning
// state, the console and the code table.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "component/host/guids.h"
#include "component/host/tavix_config.h"
#include "component/host/tests/component_rig.h"
#include "component/remote/tests/wine_devices.h"
#include "component/resources/page_ids.h"

namespace {

using wine_devices::device_end;

const int learn_buttons[] = {IDC_LEARN_PLAY,     IDC_LEARN_PAUSE,       IDC_LEARN_STOP,      IDC_LEARN_PREVIOUS,
                             IDC_LEARN_NEXT,     IDC_LEARN_NEXT_RANDOM, IDC_LEARN_BACKWARD,  IDC_LEARN_FORWARD,
                             IDC_LEARN_VOLUME_UP, IDC_LEARN_VOLUME_DOWN, IDC_LEARN_MUTE};

LRESULT CALLBACK frame_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

class Page : public ::testing::Test {
protected:
    // One frame for all cases: without a window manager, Wine waits a while
    // for every top-level window that goes away.
    static void SetUpTestSuite() {
        WNDCLASSW frame_class = {};
        frame_class.lpfnWndProc = &frame_proc;
        frame_class.hInstance = GetModuleHandleW(nullptr);
        frame_class.lpszClassName = L"tavix_page_test_frame";
        RegisterClassW(&frame_class);
        frame = CreateWindowExW(0, L"tavix_page_test_frame", L"preferences", WS_OVERLAPPEDWINDOW, 0, 0, 480, 560,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ShowWindow(frame, SW_SHOW);
    }
    static void TearDownTestSuite() {
        DestroyWindow(frame);
        frame = nullptr;
    }

    void SetUp() override {
        ASSERT_NE(frame, nullptr);
        const auto links = wine_devices::pty_links();
        ASSERT_FALSE(links.empty()) << "run through ctest: ptylink makes the ports";
        link = links[0];
        page = rig.service<preferences_page>();
        ASSERT_TRUE(page.is_valid());
    }
    void TearDown() override {
        if (dialog) DestroyWindow(dialog);
        wine_devices::pump_waiting();
    }

    // The page as the player makes it: created hidden, then shown.
    void open_page() {
        dialog = static_cast<HWND>(page->create(frame));
        ASSERT_NE(dialog, nullptr);
        EXPECT_FALSE(IsWindowVisible(dialog));
        ShowWindow(dialog, SW_SHOW);
        wine_devices::pump_waiting();
    }
    void plug() {
        std::string error;
        ASSERT_TRUE(devices.plug(link.port, error)) << error;
    }
    void click(int id) {
        SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
        wine_devices::pump_waiting();
    }
    bool checked(int id) const { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
    bool enabled(int id) const { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }
    std::vector<int> enabled_learn_buttons() const {
        std::vector<int> on;
        for (int id : learn_buttons)
            if (enabled(id)) on.push_back(id);
        return on;
    }
    std::vector<std::string>& lines() { return rig.lines(); }
    std::string port_text() const { return std::string(link.port.begin(), link.port.end()); }

    component_rig rig;
    wine_devices::plugged_devices devices;
    wine_devices::pty_link link;
    service_ptr_t<preferences_page> page;
    HWND dialog = nullptr;
    static HWND frame;
};

HWND Page::frame = nullptr;

const std::vector<int> all_learn_buttons(std::begin(learn_buttons), std::end(learn_buttons));

TEST_F(Page, IsTheTavixPageUnderThePlayersParentPage) {
    EXPECT_STREQ(page->get_name(), "tavix");
    EXPECT_EQ(page->get_guid(), tavix_guid::preferences_page);
    EXPECT_EQ(page->get_parent_guid(), tavix_guid::preferences_page_parent);
    EXPECT_TRUE(page->reset_query());
    string_buffer url;
    EXPECT_TRUE(page->get_help_url(url));
    EXPECT_EQ(std::string(url.get_ptr()).rfind("file:///", 0), 0u) << url.get_ptr();
}

TEST_F(Page, ShownWithTheLinkOffEverythingToLearnIsDisabled) {
    open_page();
    EXPECT_FALSE(checked(IDC_ENABLE));
    EXPECT_TRUE(enabled(IDC_ENABLE));
    EXPECT_FALSE(enabled(IDC_LEARN_GROUP));
    EXPECT_TRUE(enabled_learn_buttons().empty());
    EXPECT_TRUE(lines().empty());
}

TEST_F(Page, ShownWithTheLinkOnEverythingIsEnabledAndNothingPrinted) {
    cfg_enable = true;
    open_page();
    EXPECT_TRUE(checked(IDC_ENABLE));
    EXPECT_TRUE(enabled(IDC_LEARN_GROUP));
    EXPECT_EQ(enabled_learn_buttons(), all_learn_buttons);
    EXPECT_TRUE(lines().empty());
    EXPECT_EQ(learning_state, 0);
}

TEST_F(Page, TheSwitchOpensThePortAndClosesItAtOnce) {
    plug();
    open_page();

    click(IDC_ENABLE);
    EXPECT_TRUE(cfg_enable);
    EXPECT_TRUE(component_rig::port_is_open());
    EXPECT_EQ(lines(), (std::vector<std::string>{"tavix device found on " + port_text(),
                                                 "foo_tavix: opening port " + port_text(),
                                                 "foo_tavix: " + port_text() + " opened successfully"}));
    EXPECT_EQ(enabled_learn_buttons(), all_learn_buttons);
    lines().clear();

    click(IDC_ENABLE);
    EXPECT_FALSE(cfg_enable);
    EXPECT_FALSE(component_rig::port_is_open());
    EXPECT_FALSE(checked(IDC_ENABLE));
    EXPECT_FALSE(enabled(IDC_LEARN_GROUP));
    EXPECT_TRUE(enabled_learn_buttons().empty());
    EXPECT_TRUE(lines().empty());
}

TEST_F(Page, SwitchingOnWithoutADeviceKeepsTheSwitchOn) {
    open_page();
    click(IDC_ENABLE);
    EXPECT_TRUE(cfg_enable);
    EXPECT_TRUE(checked(IDC_ENABLE));
    EXPECT_EQ(lines(), std::vector<std::string>{"no tavix device found"});
    EXPECT_FALSE(component_rig::port_is_open());
}

TEST_F(Page, ALearnButtonStartsAndEndsLearning) {
    cfg_enable = true;
    open_page();

    click(IDC_LEARN_NEXT);
    EXPECT_EQ(learning_state, 4);
    EXPECT_TRUE(checked(IDC_LEARN_NEXT));
    EXPECT_EQ(enabled_learn_buttons(), std::vector<int>{IDC_LEARN_NEXT});
    EXPECT_EQ(lines(), std::vector<std::string>{"foo_tavix: learning next track button..."});
    lines().clear();

    click(IDC_LEARN_NEXT);
    EXPECT_EQ(learning_state, 0);
    EXPECT_FALSE(checked(IDC_LEARN_NEXT));
    EXPECT_EQ(enabled_learn_buttons(), all_learn_buttons);
    EXPECT_EQ(lines(), std::vector<std::string>{"foo_tavix: learning mode off"});
}

TEST_F(Page, HidingAndShowingThePageRestartsLearning) {
    cfg_enable = true;
    open_page();
    click(IDC_LEARN_STOP);
    lines().clear();

    ShowWindow(dialog, SW_HIDE);
    EXPECT_EQ(lines(), (std::vector<std::string>{"foo_tavix: learning mode off", "foo_tavix: learning stop button..."}));
    EXPECT_EQ(learning_state, 3);
}

TEST_F(Page, TwoButtonsPressedInPrintBothAndTheLaterInAskingOrderWins) {
    cfg_enable = true;
    open_page();
    SendDlgItemMessageW(dialog, IDC_LEARN_PLAY, BM_SETCHECK, BST_CHECKED, 0);
    SendDlgItemMessageW(dialog, IDC_LEARN_MUTE, BM_SETCHECK, BST_CHECKED, 0);
    SendMessageW(dialog, WM_USER + 1, 0, 0);

    EXPECT_EQ(lines(), (std::vector<std::string>{"foo_tavix: learning play button...",
                                                 "foo_tavix: learning mute button..."}));
    EXPECT_EQ(learning_state, 11);
    EXPECT_TRUE(checked(IDC_LEARN_PLAY));
    EXPECT_FALSE(enabled(IDC_LEARN_PLAY));
    EXPECT_EQ(enabled_learn_buttons(), std::vector<int>{IDC_LEARN_MUTE});
}

TEST_F(Page, SwitchingOffWhileLearningAndOnAgainResumesTheButton) {
    cfg_enable = true;
    open_page();
    click(IDC_LEARN_PLAY);
    lines().clear();

    click(IDC_ENABLE);
    EXPECT_EQ(learning_state, 1);
    EXPECT_TRUE(lines().empty());
    EXPECT_TRUE(enabled_learn_buttons().empty());

    click(IDC_ENABLE);
    EXPECT_EQ(lines(), (std::vector<std::string>{"no tavix device found", "foo_tavix: learning mode off",
                                                 "foo_tavix: learning play button..."}));
    EXPECT_EQ(learning_state, 1);
    EXPECT_TRUE(checked(IDC_LEARN_PLAY));
    // All eleven stay disabled: the ten others by the refresh, the one being
    // learned as the switch-off left it.
    EXPECT_TRUE(enabled_learn_buttons().empty());
    EXPECT_TRUE(enabled(IDC_LEARN_GROUP));
}

// A table with a recognisable byte at every offset.
t_ircodes numbered_table() {
    t_ircodes table;
    for (std::size_t slot = 0; slot < ircode_slot_count; ++slot)
        for (std::size_t i = 0; i < ircode_slot_size; ++i)
            table.codes[slot][i] = static_cast<std::uint8_t>(0x80 + slot * ircode_slot_size + i);
    return table;
}

TEST_F(Page, AButtonOfTheRemoteIsLearnedIntoTheMuteSlot) {
    plug();
    device_end device(link.device);
    ASSERT_TRUE(device.is_open());
    cfg_enable = true;
    cfg_ircodes = numbered_table();
    rig.hooks().on_init();
    open_page();
    click(IDC_LEARN_MUTE);
    ASSERT_EQ(learning_state, 11);
    lines().clear();

    device.write("\x21\x43\x65\x87");
    ASSERT_TRUE(wine_devices::pump_until([] { return learning_state == 0; }));

    const t_ircodes before = numbered_table();
    const t_ircodes& after = cfg_ircodes;
    const auto* old_bytes = reinterpret_cast<const std::uint8_t*>(&before);
    const auto* new_bytes = reinterpret_cast<const std::uint8_t*>(&after);
    const std::uint8_t code[] = {0x21, 0x43, 0x65, 0x87};
    for (int offset = 0; offset < 88; ++offset) {
        if (offset >= 80 && offset < 84)
            EXPECT_EQ(new_bytes[offset], code[offset - 80]) << offset;
        else
            EXPECT_EQ(new_bytes[offset], old_bytes[offset]) << offset;
    }
    EXPECT_FALSE(checked(IDC_LEARN_MUTE));
    EXPECT_EQ(enabled_learn_buttons(), all_learn_buttons);
    EXPECT_EQ(lines(), std::vector<std::string>{"foo_tavix: learning mode off"});
    EXPECT_TRUE(rig.playback.calls.empty());
}

TEST_F(Page, ResetClosesThePortAndRestoresEveryDefault) {
    plug();
    open_page();
    click(IDC_ENABLE);
    ASSERT_TRUE(component_rig::port_is_open());
    cfg_spare_int_1 = 1;
    cfg_spare_string_1 = "x";
    cfg_spare_string_2 = "COM9";
    cfg_spare_int_2 = 2;
    cfg_spare_int_3 = 3;
    cfg_spare_int_4 = 4;
    cfg_spare_int_5 = 5;
    cfg_spare_flag_1 = false;
    cfg_spare_flag_2 = false;
    cfg_code_length = 2;
    cfg_spare_int_6 = 6;
    cfg_repeat_delay = 7;
    cfg_ircodes = numbered_table();
    learning_state = 5;

    page->reset();

    EXPECT_FALSE(component_rig::port_is_open());
    EXPECT_FALSE(cfg_enable);
    EXPECT_EQ(cfg_spare_int_1, 9600);
    EXPECT_STREQ(cfg_spare_string_1, "IR");
    EXPECT_STREQ(cfg_spare_string_2, "COM1");
    EXPECT_EQ(cfg_spare_int_2, 0);
    EXPECT_EQ(cfg_spare_int_3, 8);
    EXPECT_EQ(cfg_spare_int_4, 0);
    EXPECT_EQ(cfg_spare_int_5, 0);
    EXPECT_TRUE(cfg_spare_flag_1);
    EXPECT_TRUE(cfg_spare_flag_2);
    EXPECT_EQ(cfg_code_length, 4);
    EXPECT_EQ(cfg_spare_int_6, 50);
    EXPECT_EQ(cfg_repeat_delay, 200);
    const t_ircodes& table = cfg_ircodes;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&table);
    for (int offset = 0; offset < 88; ++offset) EXPECT_EQ(bytes[offset], 0) << offset;
    // The open dialog and the learning state are left as they were.
    EXPECT_TRUE(checked(IDC_ENABLE));
    EXPECT_EQ(learning_state, 5);

    DestroyWindow(dialog);
    dialog = nullptr;
    open_page();
    EXPECT_FALSE(checked(IDC_ENABLE));
}

}  // namespace
