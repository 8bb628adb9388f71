#include "player/core/playback_engine.h"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace player {
namespace {

std::string describe(const playback_event& e) {
    std::ostringstream s;
    switch (e.what) {
    case playback_event::kind::starting: s << "starting " << e.command << ' ' << e.flag; break;
    case playback_event::kind::new_track: s << "new_track " << e.index; break;
    case playback_event::kind::stop: s << "stop " << static_cast<int>(e.reason); break;
    case playback_event::kind::seek: s << "seek " << e.seconds; break;
    case playback_event::kind::pause: s << "pause " << e.flag; break;
    case playback_event::kind::time: s << "time " << e.seconds; break;
    case playback_event::kind::volume: s << "volume " << e.seconds; break;
    }
    return s.str();
}

struct engine_fixture : ::testing::Test {
    playback_engine engine{7};
    std::vector<std::string> events;

    void SetUp() override {
        engine.add_listener([this](const playback_event& e) { events.push_back(describe(e)); });
    }
    // Three tracks of 2.5 s, 3 s and 1 s.
    void three_tracks() {
        engine.add({"file://a", 2500, std::string("A"), std::nullopt});
        engine.add({"file://b", 3000, std::nullopt, std::nullopt});
        engine.add({"file://c", 1000, std::nullopt, std::string("Album")});
    }
    std::vector<std::string> take() { return std::exchange(events, {}); }
};

using strings = std::vector<std::string>;

TEST_F(engine_fixture, TimeTicksEverySecondAndTracksFollowUntilThePlaylistEnds) {
    three_tracks();
    ASSERT_TRUE(engine.start(track_command::play, false));
    EXPECT_EQ(take(), (strings{"starting 1 0", "new_track 0"}));
    engine.advance(999);
    EXPECT_EQ(take(), strings{});
    engine.advance(1);
    EXPECT_EQ(take(), strings{"time 1"});
    // Crosses 2 s, the track's end at 2.5 s, then half a second into the next.
    engine.advance(2000);
    EXPECT_EQ(take(), (strings{"time 2", "new_track 1"}));
    EXPECT_EQ(engine.position_ms(), 500);
    engine.advance(10000);
    EXPECT_EQ(take(), (strings{"time 1", "time 2", "new_track 2", "stop 1"}));
    EXPECT_EQ(engine.state(), play_state::stopped);
    EXPECT_FALSE(engine.playing_index());
}

TEST_F(engine_fixture, TrackCommandsPickTheTrackAPlayerWould) {
    three_tracks();
    struct step {
        track_command cmd;
        std::size_t expected;
    };
    // From stopped-and-never-played, then through the list and around.
    const step steps[] = {
        {track_command::next, 0},     {track_command::next, 1},     {track_command::next, 2},
        {track_command::next, 0},  // a commanded next wraps
        {track_command::previous, 0}, // previous stays on the first
        {track_command::play, 0},     {track_command::next, 1},     {track_command::previous, 0},
    };
    for (const step& s : steps) {
        ASSERT_TRUE(engine.start(s.cmd, false));
        ASSERT_TRUE(engine.playing_index());
        EXPECT_EQ(*engine.playing_index(), s.expected) << "command " << static_cast<int>(s.cmd);
    }
}

TEST_F(engine_fixture, StartingAnotherTrackStopsTheCurrentOneFirst) {
    three_tracks();
    engine.start(track_command::play, false);
    take();
    engine.start(track_command::next, true);
    EXPECT_EQ(take(), (strings{"stop 2", "starting 2 1", "new_track 1"}));
    EXPECT_TRUE(engine.is_paused());
    // Play restarts the track that was playing.
    engine.advance(500);
    engine.pause(false);
    engine.advance(1200);
    take();
    engine.start(track_command::play, false);
    EXPECT_EQ(take(), (strings{"stop 2", "starting 1 0", "new_track 1"}));
    EXPECT_EQ(engine.position_ms(), 0);
}

TEST_F(engine_fixture, RandomGoesToAnotherTrackAndIsReproducible) {
    three_tracks();
    engine.start(track_command::play, false);
    std::vector<std::size_t> picks;
    for (int i = 0; i < 20; ++i) {
        const std::size_t before = *engine.playing_index();
        engine.start(track_command::random, false);
        EXPECT_NE(*engine.playing_index(), before);
        picks.push_back(*engine.playing_index());
    }
    playback_engine same{7};
    same.add({"file://a", 1000, {}, {}});
    same.add({"file://b", 1000, {}, {}});
    same.add({"file://c", 1000, {}, {}});
    same.start(track_command::play, false);
    for (std::size_t expected : picks) {
        same.start(track_command::random, false);
        EXPECT_EQ(*same.playing_index(), expected);
    }
}

TEST_F(engine_fixture, PauseReportsOnlyChangesAndHoldsTheClock) {
    three_tracks();
    engine.pause(true);  // stopped: nothing to pause
    engine.start(track_command::play, false);
    take();
    engine.pause(false);
    engine.pause(true);
    engine.pause(true);
    engine.advance(5000);
    engine.toggle_pause();
    EXPECT_EQ(take(), (strings{"pause 1", "pause 0"}));
    EXPECT_EQ(engine.position_ms(), 0);
}

TEST_F(engine_fixture, SeekClampsAndSeekingToTheEndMovesOn) {
    three_tracks();
    engine.seek_delta_ms(5000);  // stopped: ignored
    engine.start(track_command::play, false);
    engine.advance(1000);
    take();
    engine.seek_delta_ms(-5000);
    EXPECT_EQ(engine.position_ms(), 0);
    engine.seek_ms(1200);
    engine.seek_delta_ms(5000);
    EXPECT_EQ(take(), (strings{"seek 0", "seek 1.2", "seek 2.5", "new_track 1"}));
}

TEST_F(engine_fixture, VolumeStepsStopAtTheLimitsAndMuteReportsTheFloor) {
    engine.volume_up();  // already at 0 dB: no change, no event
    engine.volume_down();
    engine.volume_mute_toggle();
    engine.volume_mute_toggle();
    engine.set_volume(-99.8f);
    engine.volume_down();
    engine.volume_down();
    EXPECT_EQ(take(), (strings{"volume -0.5", "volume -100", "volume -0.5", "volume -99.8", "volume -100"}));
    EXPECT_FLOAT_EQ(engine.volume(), -100.0f);
    engine.volume_mute_toggle();
    engine.volume_up();  // turning the volume up ends the mute
    EXPECT_FALSE(engine.muted());
    EXPECT_FLOAT_EQ(engine.effective_volume(), -99.5f);
}

TEST_F(engine_fixture, EmptyPlaylistPlaysNothing) {
    EXPECT_FALSE(engine.start(track_command::play, false));
    EXPECT_FALSE(engine.play_index(0));
    engine.advance(5000);
    engine.stop();
    EXPECT_EQ(take(), strings{});
}

TEST_F(engine_fixture, EventsRaisedByAListenerComeAfterTheCurrentOneForEveryone) {
    three_tracks();
    std::vector<std::string> second;
    engine.add_listener([&](const playback_event& e) {
        second.push_back(describe(e));
        if (e.what == playback_event::kind::new_track) engine.stop();
    });
    engine.start(track_command::play, false);
    const strings expected{"starting 1 0", "new_track 0", "stop 0"};
    EXPECT_EQ(take(), expected);
    EXPECT_EQ(second, expected);
}

TEST_F(engine_fixture, AThrowingListenerDoesNotSilenceLaterEvents) {
    three_tracks();
    bool thrown = false;
    engine.add_listener([&](const playback_event&) {
        if (!thrown) {
            thrown = true;
            throw std::runtime_error("boom");
        }
    });
    EXPECT_THROW(engine.start(track_command::play, false), std::runtime_error);
    take();
    engine.stop();
    EXPECT_EQ(take(), strings{"stop 0"});
}

TEST_F(engine_fixture, ClearStopsAndForgetsTheTracks) {
    three_tracks();
    engine.play_index(2);
    take();
    engine.clear();
    EXPECT_EQ(take(), strings{"stop 0"});
    EXPECT_TRUE(engine.playlist().empty());
    EXPECT_FALSE(engine.start(track_command::next, false));
}

}  // namespace
}  // namespace player
