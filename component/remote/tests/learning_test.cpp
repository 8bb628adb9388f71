// Key learning against a fake preferences page: what a refresh does to the
// controls, the learning state and the console, and what a capture stores.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "component/host/settings.h"
#include "component/remote/learning.h"
#include "component/remote/learning_state.h"
#include "component/remote/receiver.h"
#include "component/remote/tests/receiver_fixture.h"
#include "component/resources/page_ids.h"

namespace {

// The learn controls of a page, each control's check and enabled state, and
// every change made to them in order.
class fake_page final : public learn_page_io {
public:
    explicit fake_page(std::uint32_t& clock) : clock_(clock) {}

    std::map<int, bool> checked;
    std::map<int, bool> enabled;
    std::vector<std::string> changes;  // "check 1003 1", "enable 1011 0"
    bool dialog_alive = true;
    int refreshes_sent = 0;

    bool is_checked(int id) override { return checked[id]; }
    void set_checked(int id, bool on) override {
        checked[id] = on;
        changes.push_back("check " + std::to_string(id) + (on ? " 1" : " 0"));
    }
    void enable(int id, bool on) override {
        enabled[id] = on;
        changes.push_back("enable " + std::to_string(id) + (on ? " 1" : " 0"));
    }
    // The page's dialog procedure answers the refresh message with a refresh.
    void send_refresh() override {
        ++refreshes_sent;
        if (dialog_alive) refresh_learn_page();
    }
    std::uint32_t tick_count() override { return clock_; }

private:
    std::uint32_t& clock_;
};

// The learn buttons in the order they are enabled and disabled.
const std::vector<int> enable_order = {1011, 1012, 1013, 1015, 1016, 1014, 1027, 1026, 1019, 1017, 1018};

struct learn_case {
    int id;
    int state;
    ircode_slot slot;
    const char* message;
};

const learn_case learn_cases[] = {
    {IDC_LEARN_PLAY, 1, ircode_play, "foo_tavix: learning play button..."},
    {IDC_LEARN_PAUSE, 2, ircode_pause, "foo_tavix: learning pause button..."},
    {IDC_LEARN_STOP, 3, ircode_stop, "foo_tavix: learning stop button..."},
    {IDC_LEARN_NEXT, 4, ircode_next, "foo_tavix: learning next track button..."},
    {IDC_LEARN_NEXT_RANDOM, 5, ircode_next_random, "foo_tavix: learning next random track button..."},
    {IDC_LEARN_PREVIOUS, 6, ircode_previous, "foo_tavix: learning previous track button..."},
    {IDC_LEARN_FORWARD, 7, ircode_seek_forward, "foo_tavix: learning forward seek button..."},
    {IDC_LEARN_BACKWARD, 8, ircode_seek_backward, "foo_tavix: learning backward seek button..."},
    {IDC_LEARN_VOLUME_UP, 9, ircode_volume_up, "foo_tavix: learning volume up button..."},
    {IDC_LEARN_VOLUME_DOWN, 10, ircode_volume_down, "foo_tavix: learning volume down button..."},
    {IDC_LEARN_MUTE, 11, ircode_mute, "foo_tavix: learning mute button..."},
};

class Learning : public ::testing::Test {
protected:
    Learning() : page(rig.clock) { previous_io = set_learn_page_io(&page); }
    ~Learning() override { set_learn_page_io(previous_io); }

    // A page whose learn controls are all enabled and unchecked, the link on.
    void link_on() {
        cfg_enable = true;
        refresh_learn_page();
        page.changes.clear();
        rig.host.console_lines.clear();
    }
    void press(int id) {
        page.checked[id] = true;
        refresh_learn_page();
    }
    void release(int id) {
        page.checked[id] = false;
        refresh_learn_page();
    }
    // One notification whose bytes come through the receiver, with the
    // component's capture wired in as the port's window procedure does.
    void notify(std::initializer_list<std::uint8_t> bytes) {
        rig.port.insert(rig.port.end(), bytes);
        const receiver_io io{&rig, &receiver_rig::read_byte, &receiver_rig::tick_count,
                             [](void*) { capture_code(); }};
        handle_receive(io);
    }
    std::vector<std::string>& lines() { return rig.host.console_lines; }

    receiver_rig rig;
    fake_page page;
    learn_page_io* previous_io = nullptr;
};

TEST_F(Learning, LinkOffUnchecksTheSwitchAndDisablesEverythingButKeepsTheState) {
    learning_state = 3;
    page.checked[IDC_LEARN_STOP] = true;
    refresh_learn_page();

    std::vector<std::string> expected = {"check 1003 0", "enable 1022 0"};
    for (int id : enable_order) expected.push_back("enable " + std::to_string(id) + " 0");
    EXPECT_EQ(page.changes, expected);
    EXPECT_EQ(learning_state, 3);
    EXPECT_TRUE(lines().empty());
}

TEST_F(Learning, LinkOnWithNothingPressedEnablesEverythingSilently) {
    cfg_enable = true;
    refresh_learn_page();

    std::vector<std::string> expected = {"check 1003 1", "enable 1022 1"};
    for (int id : enable_order) expected.push_back("enable " + std::to_string(id) + " 1");
    EXPECT_EQ(page.changes, expected);
    EXPECT_EQ(learning_state, 0);
    EXPECT_TRUE(lines().empty());
}

TEST_F(Learning, EachButtonStartsItsStateAndReleasingItEndsLearning) {
    for (const learn_case& c : learn_cases) {
        SCOPED_TRACE(c.message);
        link_on();
        rig.feed({0x99});  // a stray byte the reset must drop

        press(c.id);
        EXPECT_EQ(learning_state, c.state);
        EXPECT_EQ(lines(), std::vector<std::string>{c.message});
        EXPECT_EQ(receive_window.count, 0u);
        std::vector<std::string> expected = {"check 1003 1", "enable 1022 1"};
        for (int id : enable_order)
            if (id != c.id) expected.push_back("enable " + std::to_string(id) + " 0");
        EXPECT_EQ(page.changes, expected);

        lines().clear();
        release(c.id);
        EXPECT_EQ(learning_state, 0);
        EXPECT_EQ(lines(), std::vector<std::string>{"foo_tavix: learning mode off"});
        for (int id : enable_order) EXPECT_TRUE(page.enabled[id]) << id;
    }
}

TEST_F(Learning, TwoButtonsPressedPrintBothAndTheLaterInAskingOrderWins) {
    struct pair_case {
        int first, second;
        std::vector<std::string> lines;
        int state;
        int loser;
    };
    const pair_case cases[] = {
        {IDC_LEARN_PLAY, IDC_LEARN_MUTE,
         {"foo_tavix: learning play button...", "foo_tavix: learning mute button..."}, 11, IDC_LEARN_PLAY},
        // Stop is asked before pause, so pause wins although its id is lower.
        {IDC_LEARN_PAUSE, IDC_LEARN_STOP,
         {"foo_tavix: learning stop button...", "foo_tavix: learning pause button..."}, 2, IDC_LEARN_STOP},
        // Backward is asked before forward.
        {IDC_LEARN_FORWARD, IDC_LEARN_BACKWARD,
         {"foo_tavix: learning backward seek button...", "foo_tavix: learning forward seek button..."}, 7,
         IDC_LEARN_BACKWARD},
    };
    for (const pair_case& c : cases) {
        SCOPED_TRACE(c.state);
        link_on();
        page.checked.clear();
        page.checked[c.first] = true;
        page.checked[c.second] = true;
        refresh_learn_page();
        EXPECT_EQ(lines(), c.lines);
        EXPECT_EQ(learning_state, c.state);
        EXPECT_FALSE(page.enabled[c.loser]);
        EXPECT_TRUE(page.checked[c.loser]);
        page.checked.clear();
        refresh_learn_page();
    }
}

TEST_F(Learning, ShowingThePageAgainRestartsLearningTheSameButton) {
    link_on();
    press(IDC_LEARN_NEXT);
    rig.feed({0x01, 0x02});
    lines().clear();

    refresh_learn_page();  // WM_SHOWWINDOW
    EXPECT_EQ(lines(), (std::vector<std::string>{"foo_tavix: learning mode off",
                                                 "foo_tavix: learning next track button..."}));
    EXPECT_EQ(learning_state, 4);
    EXPECT_EQ(receive_window.count, 0u);
}

TEST_F(Learning, SwitchingOffWhileLearningAndOnAgainResumesTheButtonStillPressed) {
    link_on();
    press(IDC_LEARN_PLAY);
    lines().clear();

    cfg_enable = false;
    refresh_learn_page();
    EXPECT_EQ(learning_state, 1);
    EXPECT_TRUE(lines().empty());
    for (int id : enable_order) EXPECT_FALSE(page.enabled[id]) << id;

    cfg_enable = true;
    refresh_learn_page();
    EXPECT_EQ(lines(), (std::vector<std::string>{"foo_tavix: learning mode off",
                                                 "foo_tavix: learning play button..."}));
    EXPECT_EQ(learning_state, 1);
    // The button being learned is left as the switch-off left it.
    for (int id : enable_order) EXPECT_FALSE(page.enabled[id]) << id;
    EXPECT_TRUE(page.checked[IDC_LEARN_PLAY]);
}

// A table of a recognisable byte at every offset, to see what a capture changed.
t_ircodes numbered_table() {
    t_ircodes table;
    for (std::size_t slot = 0; slot < ircode_slot_count; ++slot)
        for (std::size_t i = 0; i < ircode_slot_size; ++i)
            table.codes[slot][i] = static_cast<std::uint8_t>(0x80 + slot * ircode_slot_size + i);
    return table;
}

TEST_F(Learning, CaptureIntoMuteChangesOnlyTheCodeLengthBytesOfItsSlot) {
    for (int length : {1, 2, 4, 8}) {
        SCOPED_TRACE(length);
        cfg_code_length = length;
        cfg_ircodes = numbered_table();
        reset_receiver_for_new_link();
        link_on();
        press(IDC_LEARN_MUTE);
        lines().clear();
        page.changes.clear();
        page.refreshes_sent = 0;
        rig.clock += 5000;

        for (int i = 0; i < length; ++i) notify({static_cast<std::uint8_t>(0x11 * (i + 1))});

        const t_ircodes before = numbered_table();
        const t_ircodes& after = cfg_ircodes;
        const auto* old_bytes = reinterpret_cast<const std::uint8_t*>(&before);
        const auto* new_bytes = reinterpret_cast<const std::uint8_t*>(&after);
        for (int offset = 0; offset < 88; ++offset) {
            if (offset >= 80 && offset < 80 + length)
                EXPECT_EQ(new_bytes[offset], 0x11 * (offset - 80 + 1)) << offset;
            else
                EXPECT_EQ(new_bytes[offset], old_bytes[offset]) << offset;
        }
        EXPECT_EQ(last_command_tick, rig.clock);
        EXPECT_EQ(page.refreshes_sent, 1);
        // The button pops out first, then the page's refresh ends learning.
        ASSERT_FALSE(page.changes.empty());
        EXPECT_EQ(page.changes.front(), "check 1019 0");
        EXPECT_EQ(learning_state, 0);
        EXPECT_EQ(lines(), std::vector<std::string>{"foo_tavix: learning mode off"});
        for (int id : enable_order) EXPECT_TRUE(page.enabled[id]) << id;
        EXPECT_TRUE(rig.player.calls.empty());
    }
}

TEST_F(Learning, AfterACaptureTheSameCodeWaitsForTheRepeatDelayThenFires) {
    link_on();
    press(IDC_LEARN_MUTE);
    rig.clock = 50000;
    notify({0xA1, 0xB2, 0xC3, 0xD4});
    ASSERT_EQ(learning_state, 0);
    lines().clear();

    rig.clock = 50000 + 100;  // the remote repeats at once
    notify({0xA1, 0xB2, 0xC3, 0xD4});
    rig.clock = 50000 + 200;  // still within: the delay includes its last millisecond
    notify({0xA1, 0xB2, 0xC3, 0xD4});
    EXPECT_TRUE(lines().empty());
    EXPECT_TRUE(rig.player.calls.empty());

    rig.clock = 50000 + 201;
    notify({0xA1, 0xB2, 0xC3, 0xD4});
    EXPECT_EQ(lines(), std::vector<std::string>{"foo_tavix: mute command received"});
    EXPECT_EQ(rig.player.calls, std::vector<std::string>{"volume_mute_toggle()"});
}

TEST_F(Learning, WithThePageGoneEveryWholeCodeLandsInTheSameSlot) {
    link_on();
    press(IDC_LEARN_PLAY);
    page.dialog_alive = false;
    lines().clear();

    rig.clock += 1000;
    notify({1, 2, 3, 4});
    EXPECT_EQ(learning_state, 1);
    EXPECT_EQ(cfg_ircodes.get_value().codes[ircode_play][0], 1);
    rig.clock += 1000;
    notify({5, 6, 7, 8});
    EXPECT_EQ(learning_state, 1);
    EXPECT_EQ(cfg_ircodes.get_value().codes[ircode_play][0], 5);
    EXPECT_EQ(cfg_ircodes.get_value().codes[ircode_play][3], 8);
    EXPECT_TRUE(lines().empty());
    EXPECT_TRUE(rig.player.calls.empty());
}

TEST(LearnButtons, AreTheElevenLearnControlsOnly) {
    for (const learn_case& c : learn_cases) EXPECT_TRUE(is_learn_button(c.id)) << c.id;
    for (int id : {0, IDC_ENABLE, IDC_LEARN_GROUP, 1010, 1020, 1021, 1023, 1025, 1028})
        EXPECT_FALSE(is_learn_button(id)) << id;
}

}  // namespace
