#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "component/remote/tests/receiver_fixture.h"

namespace {

using bytes = std::vector<std::uint8_t>;
using lines = std::vector<std::string>;

// A distinct 4-byte code per slot.
bytes code_of(ircode_slot slot) {
    auto s = static_cast<std::uint8_t>(slot);
    return {static_cast<std::uint8_t>(0xA0 + s), static_cast<std::uint8_t>(0xB0 + s),
            static_cast<std::uint8_t>(0xC0 + s), static_cast<std::uint8_t>(0xD0 + s)};
}

void learn_all(receiver_rig& rig) {
    t_ircodes table{};
    for (std::size_t slot = 0; slot < ircode_slot_count; ++slot) {
        bytes code = code_of(static_cast<ircode_slot>(slot));
        for (std::size_t i = 0; i < code.size(); ++i) table.codes[slot][i] = code[i];
    }
    cfg_ircodes = table;
    (void)rig;
}

void feed(receiver_rig& rig, const bytes& data) {
    rig.port.insert(rig.port.end(), data.begin(), data.end());
    rig.notify();
}

struct command_case {
    const char* name;
    ircode_slot slot;
    bool paused;
    const char* message;
    std::vector<std::string> calls;
    bool suppresses;
};

TEST(Receiver, EachCodeIssuesItsCommand) {
    const command_case cases[] = {
        {"play", ircode_play, false, "foo_tavix: play command received", {"is_paused()", "start(1,0)"}, true},
        {"play while paused resumes", ircode_play, true, "foo_tavix: play command received",
         {"is_paused()", "is_paused()", "pause(0)"}, true},
        {"stop", ircode_stop, false, "foo_tavix: stop command received", {"stop()"}, true},
        {"next", ircode_next, false, "foo_tavix: next track command received", {"start(2,0)"}, true},
        {"random", ircode_next_random, false, "foo_tavix: next random track command received", {"start(5,0)"}, true},
        {"previous", ircode_previous, false, "foo_tavix: previous track command received", {"start(3,0)"}, true},
        {"seek backward", ircode_seek_backward, false, "foo_tavix: seek backward command received",
         {"seek_delta(-5.0)"}, false},
        {"seek forward", ircode_seek_forward, false, "foo_tavix: seek forward command received",
         {"seek_delta(5.0)"}, false},
        {"volume up", ircode_volume_up, false, "foo_tavix: volume up command received", {"volume_up()"}, false},
        {"volume down", ircode_volume_down, false, "foo_tavix: volume down command received", {"volume_down()"},
         false},
        {"pause while playing", ircode_pause, false, "foo_tavix: pause command received",
         {"is_paused()", "pause(1)"}, true},
        {"pause while paused", ircode_pause, true, "foo_tavix: pause command received", {"is_paused()", "pause(0)"},
         true},
        {"mute", ircode_mute, false, "foo_tavix: mute command received", {"volume_mute_toggle()"}, true},
    };
    for (const command_case& c : cases) {
        SCOPED_TRACE(c.name);
        receiver_rig rig;
        learn_all(rig);
        rig.player.paused = c.paused;
        rig.clock = 5000000;
        feed(rig, code_of(c.slot));
        EXPECT_EQ(rig.host.console_lines, lines{c.message});
        EXPECT_EQ(rig.player.calls, c.calls);
        EXPECT_EQ(receive_window.count, 0u);
        EXPECT_EQ(rig.window(), bytes{});
        EXPECT_EQ(last_command_tick, c.suppresses ? 5000000u : 0u);
    }
}

TEST(Receiver, RepeatDelayStartsWhenTheCommandHasReturned) {
    receiver_rig rig;
    learn_all(rig);
    rig.clock = 5000000;
    rig.player.paused = false;
    // The player takes 30 ms over the stop: the delay runs from its return.
    struct slow_clock {
        static std::uint32_t tick(void* context) {
            auto* r = static_cast<receiver_rig*>(context);
            std::uint32_t now = r->clock;
            r->clock += 30;
            return now;
        }
    };
    receiver_io io = rig.io();
    io.tick_count = &slow_clock::tick;
    bytes code = code_of(ircode_stop);
    rig.port.assign(code.begin(), code.end());
    handle_receive(io);
    ASSERT_EQ(rig.player.calls, lines{"stop()"});
    EXPECT_EQ(last_command_tick, 5000000u + 4 * 30u);
}

TEST(Receiver, UnmatchedBytesSlideThroughTheWindow) {
    receiver_rig rig;
    learn_all(rig);
    feed(rig, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    EXPECT_EQ(rig.host.console_lines, lines{});
    EXPECT_EQ(rig.player.calls, lines{});
    EXPECT_TRUE(rig.port.empty());
    EXPECT_EQ(rig.window(), (bytes{6, 7, 8, 9}));
    EXPECT_EQ(receive_window.capacity, 4u);

    // A code arriving behind the leftovers pushes them out and matches.
    feed(rig, code_of(ircode_next));
    EXPECT_EQ(rig.host.console_lines, lines{"foo_tavix: next track command received"});
}

TEST(Receiver, EarlierSlotInMatchingOrderWinsATie) {
    struct tie {
        ircode_slot winner, loser;
        const char* message;
    };
    const tie ties[] = {
        {ircode_play, ircode_pause, "foo_tavix: play command received"},
        {ircode_next, ircode_previous, "foo_tavix: next track command received"},
        {ircode_next_random, ircode_previous, "foo_tavix: next random track command received"},
        {ircode_stop, ircode_next, "foo_tavix: stop command received"},
        {ircode_seek_backward, ircode_seek_forward, "foo_tavix: seek backward command received"},
        {ircode_volume_down, ircode_pause, "foo_tavix: volume down command received"},
        {ircode_pause, ircode_mute, "foo_tavix: pause command received"},
    };
    for (const tie& t : ties) {
        SCOPED_TRACE(t.message);
        receiver_rig rig;
        learn_all(rig);
        bytes shared = code_of(t.loser);
        rig.learn(t.winner, {shared[0], shared[1], shared[2], shared[3]});
        feed(rig, shared);
        EXPECT_EQ(rig.host.console_lines, lines{t.message});
    }
}

TEST(Receiver, UnlearnedZeroSlotMatchesZeroBytesAfterReset) {
    {
        receiver_rig rig;  // every slot unlearned: eight zero bytes
        feed(rig, {0x00});
        EXPECT_EQ(rig.host.console_lines, lines{"foo_tavix: play command received"});
    }
    {
        receiver_rig rig;
        feed(rig, {0x01, 0x00, 0x00, 0x00});
        EXPECT_EQ(rig.host.console_lines, lines{}) << "a held non-zero byte keeps the window from matching";
        feed(rig, {0x00});
        EXPECT_EQ(rig.host.console_lines, lines{"foo_tavix: play command received"})
            << "once the non-zero byte has slid out, four zeros match";
    }
}

TEST(Receiver, GreetingIsSeenOncePerOpening) {
    receiver_rig rig;
    learn_all(rig);
    rig.learn(ircode_stop, {'O', 'K', 0, 0});

    feed(rig, {'O', 'K'});
    EXPECT_EQ(rig.host.console_lines, lines{"foo_tavix: OK received"});
    EXPECT_TRUE(greeting_seen);
    EXPECT_EQ(rig.window(), bytes{});
    EXPECT_EQ(rig.player.calls, lines{});

    // Afterwards "OK" is just two bytes, here the stop code.
    feed(rig, {'O', 'K'});
    EXPECT_EQ(rig.host.console_lines.back(), "foo_tavix: stop command received");

    // The next opening greets again.
    reset_receiver_for_new_link();
    rig.clock += 10000;
    feed(rig, {'O', 'K'});
    EXPECT_EQ(rig.host.console_lines.back(), "foo_tavix: OK received");
    EXPECT_EQ(rig.player.calls, lines{"stop()"});
}

TEST(Receiver, GreetingIsNotRecognisedWhileLearningOrWithinTheDelay) {
    {
        SCOPED_TRACE("learning");
        receiver_rig rig;
        learning_state = 2;
        feed(rig, {'O', 'K'});
        EXPECT_EQ(rig.host.console_lines, lines{});
        EXPECT_FALSE(greeting_seen);
        EXPECT_EQ(rig.window(), (bytes{'O', 'K'}));
    }
    {
        SCOPED_TRACE("within the repeat delay");
        receiver_rig rig;
        learn_all(rig);
        feed(rig, code_of(ircode_stop));
        rig.clock += 100;
        feed(rig, {'O', 'K'});
        EXPECT_EQ(rig.host.console_lines, lines{"foo_tavix: stop command received"});
        EXPECT_FALSE(greeting_seen);
        EXPECT_EQ(rig.window(), (bytes{'O', 'K'}));
    }
    {
        SCOPED_TRACE("not at the window's front");
        receiver_rig rig;
        feed(rig, {0x11, 'O', 'K'});
        EXPECT_FALSE(greeting_seen);
    }
}

TEST(Receiver, GreetingEndsTheNotificationAndLeavesTheRestWaiting) {
    receiver_rig rig;
    learn_all(rig);
    bytes burst = {'O', 'K'};
    bytes play = code_of(ircode_play);
    burst.insert(burst.end(), play.begin(), play.end());
    feed(rig, burst);
    EXPECT_EQ(rig.host.console_lines, lines{"foo_tavix: OK received"});
    EXPECT_EQ(rig.port.size(), 4u);
    rig.notify();
    EXPECT_EQ(rig.host.console_lines.back(), "foo_tavix: play command received");
}

TEST(Receiver, RepeatDelayAfterSuppressingCommandsOnly) {
    struct row {
        const char* name;
        ircode_slot first;
        std::uint32_t after;  // ms from the first command to the next code
        bool next_acted_on;
    };
    const row rows[] = {
        {"stop, at the delay's end", ircode_stop, 200, false},
        {"stop, just after the delay", ircode_stop, 201, true},
        {"play, within", ircode_play, 10, false},
        {"pause, within", ircode_pause, 199, false},
        {"mute, within", ircode_mute, 1, false},
        {"volume up, at once", ircode_volume_up, 0, true},
        {"volume down, at once", ircode_volume_down, 1, true},
        {"seek forward, at once", ircode_seek_forward, 0, true},
        {"seek backward, at once", ircode_seek_backward, 0, true},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        receiver_rig rig;
        learn_all(rig);
        feed(rig, code_of(r.first));
        ASSERT_EQ(rig.host.console_lines.size(), 1u);
        rig.clock += r.after;
        feed(rig, code_of(ircode_next));
        EXPECT_EQ(rig.host.console_lines.size(), r.next_acted_on ? 2u : 1u);
        if (!r.next_acted_on) {
            EXPECT_EQ(rig.window(), code_of(ircode_next)) << "ignored bytes stay in the window";
            EXPECT_TRUE(rig.port.empty());
        }
    }
}

TEST(Receiver, RepeatDelayAcrossTheTickCountWrap) {
    struct row {
        std::uint32_t command_at, next_at;
        bool acted_on;
    };
    const row rows[] = {
        {0xFFFFFF9Cu, 0x00000050u, false},  // 180 ms later, across the wrap
        {0xFFFFFF9Cu, 0x00000064u, false},  // exactly 200 ms
        {0xFFFFFF9Cu, 0x00000070u, true},   // 212 ms
        {0xFFFFFFFFu, 0x000000C9u, true},   // 202 ms
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.next_at);
        receiver_rig rig;
        learn_all(rig);
        rig.clock = r.command_at;
        feed(rig, code_of(ircode_stop));
        ASSERT_EQ(last_command_tick, r.command_at);
        rig.clock = r.next_at;
        feed(rig, code_of(ircode_play));
        EXPECT_EQ(rig.host.console_lines.size(), r.acted_on ? 2u : 1u);
    }
}

TEST(Receiver, StoredRepeatDelayOutOfRange) {
    struct row {
        int stored;
        std::uint32_t after;
        bool acted_on;
    };
    const row rows[] = {
        {-5, 0, false},  // a negative delay counts as 0: only the same tick is within
        {-5, 1, true},
        {-2147483647 - 1, 1, true},
        {0, 1, true},
        {2147483647, 100000, false},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.stored);
        receiver_rig rig;
        learn_all(rig);
        cfg_repeat_delay = r.stored;
        rig.clock = 0x80000000u;
        feed(rig, code_of(ircode_stop));
        rig.clock += r.after;
        feed(rig, code_of(ircode_play));
        EXPECT_EQ(rig.host.console_lines.size(), r.acted_on ? 2u : 1u);
    }
}

TEST(Receiver, BurstStopsAtTheCommandAndTheRestWaits) {
    receiver_rig rig;
    learn_all(rig);
    bytes burst = code_of(ircode_play);
    bytes stop = code_of(ircode_stop);
    burst.insert(burst.end(), stop.begin(), stop.end());
    burst.push_back(0x01);
    burst.push_back(0x02);
    feed(rig, burst);
    EXPECT_EQ(rig.host.console_lines, lines{"foo_tavix: play command received"});
    EXPECT_EQ(rig.port.size(), 6u);

    rig.clock += 1000;
    rig.notify();
    EXPECT_EQ(rig.host.console_lines.back(), "foo_tavix: stop command received");
    EXPECT_EQ(rig.port.size(), 2u);

    rig.clock += 1000;
    rig.notify();
    EXPECT_EQ(rig.host.console_lines.size(), 2u);
    EXPECT_TRUE(rig.port.empty());
    EXPECT_EQ(rig.window(), (bytes{0x01, 0x02}));
}

TEST(Receiver, OnlyPlainDataNotificationsRead) {
    struct row {
        std::uintptr_t wparam;
        bool reads;
    };
    const row rows[] = {
        {0x0001, true},
        {0x00080001, true},  // line errors in the high word are not looked at
        {0x0081, false},     // data together with a line error
        {0x0041, false},     // data together with a break
        {0x0000, false},
        {0x0004, false},
        {0x0101, false},
    };
    for (const row& r : rows) EXPECT_EQ(is_receive_notification(r.wparam), r.reads) << std::hex << r.wparam;
}

TEST(Receiver, LooksUpThePlayerOncePerNotificationAndReleasesIt) {
    receiver_rig rig;
    rig.notify();  // nothing waiting: the port is closed or empty
    EXPECT_EQ(rig.host.lookup_count, 1u);
    EXPECT_EQ(rig.player.refs, 0);
    feed(rig, {0x00});
    EXPECT_EQ(rig.host.lookup_count, 2u);
    EXPECT_EQ(rig.player.refs, 0);
}

TEST(Receiver, MissingPlayerServiceRaisesAndReadsNothing) {
    receiver_rig rig;
    rig.host.set_service(playback_control::class_guid, nullptr);
    rig.port.push_back(0x00);
    EXPECT_THROW(rig.notify(), exception_service_not_found);
    EXPECT_EQ(rig.port.size(), 1u);
}

TEST(Receiver, FailedReadKeepsWhatWasCollected) {
    receiver_rig rig;
    learn_all(rig);
    feed(rig, {0x01, 0x02});
    rig.notify();
    EXPECT_EQ(rig.window(), (bytes{0x01, 0x02}));
}

TEST(Receiver, StoredCodeLengthIsClampedWhereUsed) {
    struct row {
        int stored;
        unsigned capacity;
        bytes code;  // the play slot's learned bytes, as many as are compared
    };
    const row rows[] = {
        {0, 2, {0x42}},
        {-7, 2, {0x42}},
        {1, 2, {0x42}},
        {2, 2, {0x42, 0x43}},
        {6, 6, {1, 2, 3, 4, 5, 6}},
        {8, 8, {1, 2, 3, 4, 5, 6, 7, 8}},
        {12, 8, {1, 2, 3, 4, 5, 6, 7, 8}},
        {2147483647, 8, {1, 2, 3, 4, 5, 6, 7, 8}},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.stored);
        receiver_rig rig;
        cfg_code_length = r.stored;
        t_ircodes table{};
        for (std::size_t slot = 0; slot < ircode_slot_count; ++slot)
            for (std::size_t i = 0; i < ircode_slot_size; ++i) table.codes[slot][i] = 0xEE;  // learned, unmatched
        for (std::size_t i = 0; i < r.code.size(); ++i) table.codes[ircode_play][i] = r.code[i];
        cfg_ircodes = table;
        reset_receiver_for_new_link();
        EXPECT_EQ(receive_window.capacity, r.capacity);

        bytes all_but_last(r.code.begin(), r.code.end() - 1);
        feed(rig, all_but_last);
        EXPECT_EQ(rig.host.console_lines, lines{});
        feed(rig, {r.code.back()});
        EXPECT_EQ(rig.host.console_lines, lines{"foo_tavix: play command received"});
    }
}

TEST(Receiver, LearningOnlyCollectsAndCapturesAWholeCode) {
    receiver_rig rig;
    learn_all(rig);
    learning_state = 1;
    bytes play = code_of(ircode_play);
    feed(rig, {play[0], play[1]});
    EXPECT_EQ(rig.captures, 0u);
    feed(rig, {play[2], play[3]});
    EXPECT_EQ(rig.capture_counts, std::vector<unsigned>{4});
    EXPECT_EQ(rig.host.console_lines, lines{});
    EXPECT_EQ(rig.player.calls, lines{});
    EXPECT_TRUE(rig.port.empty()) << "while learning every waiting byte is read";

    // Without a capture wired in, a whole code is simply kept.
    receiver_io io = rig.io();
    io.capture = nullptr;
    rig.port.push_back(0x55);
    handle_receive(io);
    EXPECT_EQ(rig.window(), (bytes{play[1], play[2], play[3], 0x55}));
}

TEST(Receiver, NewLinkForgetsWindowDelayAndGreeting) {
    receiver_rig rig;
    feed(rig, {'O', 'K'});
    feed(rig, {0x10, 0x11, 0x12});
    last_command_tick = 1234;
    cfg_code_length = 3;
    reset_receiver_for_new_link();
    EXPECT_EQ(receive_window.capacity, 3u);
    EXPECT_EQ(receive_window.count, 0u);
    for (std::uint8_t b : receive_window.storage) EXPECT_EQ(b, 0);
    EXPECT_EQ(last_command_tick, 0u);
    EXPECT_FALSE(greeting_seen);
}

}  // namespace
