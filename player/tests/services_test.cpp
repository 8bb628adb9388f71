#include "player/host/player_services.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "player/host/track_handle.h"
#include "sdk/metadb_handle.h"

namespace player {
namespace {

// Records every handler call as text; optionally throws from one handler.
class recorder : public play_callback {
public:
    std::vector<std::string> calls;
    bool throw_on_time = false;
    std::function<void()> on_new_track;

    void on_playback_starting(playback_control::t_track_command c, bool p) override {
        calls.push_back("starting " + std::to_string(c) + " " + std::to_string(p));
    }
    void on_playback_new_track(const metadb_handle_ptr& t) override {
        calls.push_back(std::string("new_track ") + t->get_location());
        if (on_new_track) on_new_track();
    }
    void on_playback_stop(playback_control::t_stop_reason r) override { calls.push_back("stop " + std::to_string(r)); }
    void on_playback_seek(double t) override { calls.push_back("seek " + format_seconds(t)); }
    void on_playback_pause(bool s) override { calls.push_back("pause " + std::to_string(s)); }
    void on_playback_edited(const metadb_handle_ptr&) override { calls.push_back("edited"); }
    void on_playback_dynamic_info(const file_info&) override { calls.push_back("dynamic_info"); }
    void on_playback_dynamic_info_track(const file_info&) override { calls.push_back("dynamic_info_track"); }
    void on_playback_time(double t) override {
        if (throw_on_time) throw std::runtime_error("time handler failed");
        calls.push_back("time " + format_seconds(t));
    }
    void on_volume_change(float v) override { calls.push_back("volume " + format_seconds(v)); }
};

struct services_fixture : ::testing::Test {
    output_log out{nullptr};
    playback_engine engine{1};
    player_services services{engine, out};

    void SetUp() override {
        engine.add_listener([this](const playback_event& e) { services.play_callbacks.deliver(e); });
        engine.add({"file://C:\\a.mp3", 3000, std::string("A"), std::nullopt});
        engine.add({"file://C:\\b.mp3", 2000, std::nullopt, std::string("B album")});
    }
    std::vector<std::string> lines(const std::string& kind) {
        std::vector<std::string> found;
        for (std::size_t i = 0; i < out.size(); ++i)
            if (out.at(i).rfind(kind + ": ", 0) == 0) found.push_back(out.at(i).substr(kind.size() + 2));
        return found;
    }
    template <class T>
    service_ptr_t<T> lookup() {
        service_ptr found;
        EXPECT_TRUE(services.lookup(T::class_guid, found));
        service_ptr_t<T> typed;
        EXPECT_TRUE(found.query(typed));
        return typed;
    }
};

using strings = std::vector<std::string>;

TEST_F(services_fixture, PlaybackCallsArePrintedAndActOnTheEngine) {
    auto pc = lookup<playback_control>();
    pc->start(playback_control::track_command_play, false);
    pc->pause(true);
    EXPECT_TRUE(pc->is_paused());
    pc->pause(!pc->is_paused());
    pc->playback_seek_delta(5.0);   // past the end of a 3 s track: the next one
    pc->playback_seek_delta(-5.0);
    pc->start(playback_control::track_command_prev, true);
    pc->start(playback_control::track_command_rand, false);
    pc->volume_up();
    pc->volume_down();
    pc->volume_mute_toggle();
    pc->set_volume(-3.0f);
    pc->stop();
    EXPECT_EQ(lines("call"), (strings{"start 1 paused=0", "pause 1", "pause 0", "seek_delta 5", "seek_delta -5",
                                      "start 3 paused=1", "start 5 paused=0", "volume_up", "volume_down",
                                      "volume_mute_toggle", "set_volume -3", "stop"}));
    EXPECT_TRUE(lines("query").empty());  // questions are quiet unless asked for
    EXPECT_EQ(engine.state(), play_state::stopped);
    EXPECT_FLOAT_EQ(engine.volume(), -3.0f);
    EXPECT_FALSE(engine.muted());
}

TEST_F(services_fixture, NowPlayingTrackCarriesItsTagsLengthAndPlace) {
    auto pc = lookup<playback_control>();
    auto pm = lookup<playlist_manager>();
    metadb_handle_ptr now;
    std::size_t list = 9, index = 9;
    EXPECT_FALSE(pc->get_now_playing(now));
    EXPECT_FALSE(now.is_valid());
    EXPECT_FALSE(pm->get_playing_item_location(&list, &index));
    EXPECT_DOUBLE_EQ(pc->playback_get_length(), 0.0);

    engine.play_index(1);
    engine.advance(1500);
    ASSERT_TRUE(pc->get_now_playing(now));
    EXPECT_STREQ(now->get_location(), "file://C:\\b.mp3");
    file_info_impl info;
    ASSERT_TRUE(now->get_info(info));
    EXPECT_EQ(info.meta_get("title", 0), nullptr);  // absent, not empty
    EXPECT_STREQ(info.meta_get("album", 0), "B album");
    EXPECT_DOUBLE_EQ(info.get_length(), 2.0);
    EXPECT_DOUBLE_EQ(pc->playback_get_length(), 2.0);
    EXPECT_DOUBLE_EQ(pc->playback_get_position(), 1.5);
    ASSERT_TRUE(pm->get_playing_item_location(&list, &index));
    EXPECT_EQ(list, 0u);
    EXPECT_EQ(index, 1u);
    EXPECT_EQ(pm->playlist_get_item_count(0), 2u);
    EXPECT_EQ(pm->playlist_get_item_count(1), 0u);

    // A handle stays good after the playlist it came from is gone.
    engine.clear();
    EXPECT_STREQ(now->get_location(), "file://C:\\b.mp3");
}

TEST_F(services_fixture, CallbacksGetOnlyWhatTheirFlagsAskFor) {
    recorder all, few;
    auto mgr = lookup<play_callback_manager>();
    mgr->register_callback(&all, 0x3FF, false);
    mgr->register_callback(&few, 287, false);
    engine.start(track_command::play, false);
    engine.advance(1000);
    engine.pause(true);
    engine.pause(false);
    engine.seek_ms(500);
    engine.volume_down();
    engine.stop();
    const strings expected_few{"starting 1 0", "new_track file://C:\\a.mp3", "time 1", "pause 1",
                               "pause 0",      "seek 0.5",                   "stop 0"};
    EXPECT_EQ(few.calls, expected_few);
    strings expected_all = expected_few;
    expected_all.insert(expected_all.end() - 1, "volume -0.5");
    EXPECT_EQ(all.calls, expected_all);
    // One event line per event delivered, however many callbacks got it.
    EXPECT_EQ(lines("event").size(), expected_all.size());

    mgr->unregister_callback(&all);
    engine.volume_down();
    EXPECT_EQ(all.calls.size(), expected_all.size());
    EXPECT_EQ(lines("event").size(), expected_all.size());  // nobody asked: no event line
}

TEST_F(services_fixture, ALateRegistrationHearsWhatIsPlaying) {
    engine.start(track_command::next, true);  // first track, paused
    recorder r, quiet;
    auto mgr = lookup<play_callback_manager>();
    mgr->register_callback(&r, 287, true);
    mgr->register_callback(&quiet, 287, false);
    EXPECT_EQ(r.calls, (strings{"new_track file://C:\\a.mp3", "pause 1"}));
    EXPECT_TRUE(quiet.calls.empty());
}

TEST_F(services_fixture, AThrowingHandlerIsReportedAndOthersStillHearTheEvent) {
    recorder bad, good;
    bad.throw_on_time = true;
    auto mgr = lookup<play_callback_manager>();
    mgr->register_callback(&bad, 287, false);
    mgr->register_callback(&good, 287, false);
    engine.start(track_command::play, false);
    engine.advance(2000);
    EXPECT_EQ(lines("error"), (strings{"on_playback_time threw: time handler failed",
                                       "on_playback_time threw: time handler failed"}));
    EXPECT_EQ(good.calls.back(), "time 2");
}

TEST_F(services_fixture, AHandlerMayUnregisterAnotherWhileAnEventIsDelivered) {
    recorder first, second;
    auto mgr = lookup<play_callback_manager>();
    first.on_new_track = [&] { mgr->unregister_callback(&second); };
    mgr->register_callback(&first, 287, false);
    mgr->register_callback(&second, 287, false);
    engine.start(track_command::play, false);
    EXPECT_EQ(second.calls, strings{"starting 1 0"});
}

class counted_work : public main_thread_callback {
public:
    counted_work(std::atomic<int>& runs, std::atomic<int>& alive) : runs_(runs), alive_(alive) { ++alive_; }
    ~counted_work() { --alive_; }
    void callback_run() override { ++runs_; }

private:
    std::atomic<int>& runs_;
    std::atomic<int>& alive_;
};

TEST_F(services_fixture, MainThreadWorkQueuedFromAnyThreadRunsOnceAndIsReleased) {
    std::atomic<int> runs{0}, alive{0}, wakes{0};
    services.main_thread.set_wake([&] { ++wakes; });
    auto mgr = lookup<main_thread_callback_manager>();
    std::thread other([&] {
        for (int i = 0; i < 3; ++i) mgr->add_callback(service_new_t<counted_work>(runs, alive));
    });
    other.join();
    EXPECT_EQ(wakes, 3);
    EXPECT_EQ(alive, 3);  // the queue holds them
    EXPECT_EQ(runs, 0);   // nothing runs until the main loop says so
    EXPECT_EQ(services.main_thread.run_pending(), 3u);
    EXPECT_EQ(runs, 3);
    EXPECT_EQ(alive, 0);
    EXPECT_EQ(services.main_thread.run_pending(), 0u);
    EXPECT_FALSE(services.main_thread.has_pending());
}

TEST_F(services_fixture, UnknownServicesAreNotFound) {
    service_ptr found;
    EXPECT_FALSE(services.lookup(GUID{0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}}, found));
    EXPECT_FALSE(found.is_valid());
}

}  // namespace
}  // namespace player
