#include "component/display/now_playing.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "component/display/tests/fake_player.h"
#include "component/display/tests/frame_recorder.h"
#include "sdk/guids.h"
#include "sdk/testing/fake_host.h"

namespace {

const bytes zero_time_frame = {0x2B, 0x02, 0x00, 0x00, 0x0D};

class collector : public ::testing::Test {
protected:
    collector() {
        now_playing = now_playing_state{};
        host.set_service(&control);
        host.set_service(&playlists);
        host.set_service(&callbacks);
    }

    // The player starts `track` and tells the display about it.
    void start(const metadb_handle_ptr& track, double length = 0) {
        control.playing = track;
        control.length = length;
        playback_display.on_playback_new_track(track);
    }

    decoded_track_frame last_track_frame() {
        EXPECT_FALSE(port.frames.empty());
        return decode_track_frame(port.frames.empty() ? bytes() : port.frames.back());
    }

    fake_host host;
    frame_recorder port;
    service_impl_single_t<fake_playback_control> control;
    service_impl_single_t<fake_playlist_manager> playlists;
    service_impl_single_t<fake_callback_queue> callbacks;
};

TEST_F(collector, NewTrackSendsZeroTimeAtOnceAndTrackFrameOnlyFromTheCallback) {
    playlists.index = 2;
    playlists.item_count = 9;
    start(make_track("file://C:\\a\\b.mp3", {{"title", "Song"}, {"album", "Disc"}}), 3599.6);

    ASSERT_EQ(port.frames.size(), 1u);
    EXPECT_EQ(port.frames[0], zero_time_frame);
    ASSERT_EQ(callbacks.queued.size(), 1u);
    EXPECT_EQ(playlists.location_queries, 0u);

    callbacks.run_all();

    ASSERT_EQ(port.frames.size(), 2u);
    const decoded_track_frame f = last_track_frame();
    EXPECT_EQ(f.header, (bytes{0x2B, 0x01, 0x0D}));
    EXPECT_EQ(bytes(f.payload.begin(), f.payload.begin() + 4), (bytes{0x0E, 0x10, 3, 9}));
    EXPECT_EQ(decoded_track_frame::text(f.album()), "Disc");
    EXPECT_EQ(decoded_track_frame::text(f.title()), "Song");
}

TEST_F(collector, EmptyTitleTakesBothNamesFromThePath) {
    struct row { const char* title_tag; const char* album_tag; const char* path; const char* album; const char* title; };
    const row rows[] = {
        {"Song", nullptr, "file://C:\\x\\y.mp3", "", "Song"},
        {nullptr, "Best Of", "file://C:\\Music\\Artist\\Album One\\01 Intro.flac", "Album One", "01 Intro"},
        {nullptr, nullptr, "file://C:\\Music\\Live.At.Home\\01.Intro.mp3", "Live.At.Home", "01.Intro"},
        {nullptr, nullptr, "file://C:\\Data\\My.Music\\track", "Data", "My"},
        {"", "Best Of", "file://C:\\Music\\Artist\\Folder\\Name.ogg", "Folder", "Name"},
    };
    for (const row& r : rows) {
        tag_list tags;
        if (r.title_tag) tags.emplace_back("title", r.title_tag);
        if (r.album_tag) tags.emplace_back("album", r.album_tag);
        start(make_track(r.path, tags));
        callbacks.run_all();
        const decoded_track_frame f = last_track_frame();
        EXPECT_EQ(decoded_track_frame::text(f.album()), r.album) << r.path;
        EXPECT_EQ(decoded_track_frame::text(f.title()), r.title) << r.path;
    }
}

TEST_F(collector, TextsReachTheDeviceInWindows1251) {
    start(make_track("file://C:\\a\\b.mp3",
                     {{"title", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
                      {"album", "\xD0\x81\xD0\xB6 Caf\xC3\xA9"}}));
    callbacks.run_all();
    const decoded_track_frame f = last_track_frame();
    EXPECT_EQ(decoded_track_frame::text(f.title()), "\xCF\xF0\xE8\xE2\xE5\xF2");
    EXPECT_EQ(decoded_track_frame::text(f.album()), "\xA8\xE6 Caf ");
}

TEST_F(collector, PathNamesAreConvertedToo) {
    start(make_track("file://C:\\\xD0\x9C\xD1\x83\xD0\xB7\xD1\x8B\xD0\xBA\xD0\xB0\\\xD0\x81.mp3"));
    callbacks.run_all();
    const decoded_track_frame f = last_track_frame();
    EXPECT_EQ(decoded_track_frame::text(f.album()), "\xCC\xF3\xE7\xFB\xEA\xE0");
    EXPECT_EQ(decoded_track_frame::text(f.title()), "\xA8");
}

// Regression: a second callback for the same track converted the stored
// Windows-1251 texts again and blanked every Cyrillic letter.
TEST_F(collector, TracksSkippedFasterThanTheQueueRunsStillShowReadableTexts) {
    start(make_track("file://C:\\a\\first.mp3", {{"title", "First"}}));
    start(make_track("file://C:\\a\\b.mp3", {{"title", "\xD0\x96\xD1\x83\xD0\xBA"}}));
    start(make_track("file://C:\\\xD0\x96\\\xD0\x96.mp3"));
    ASSERT_EQ(callbacks.queued.size(), 3u);
    callbacks.run_all();

    ASSERT_EQ(port.frames.size(), 6u);
    for (std::size_t i = 3; i < 6; ++i) {
        const decoded_track_frame f = decode_track_frame(port.frames[i]);
        EXPECT_EQ(decoded_track_frame::text(f.album()), "\xC6") << i;
        EXPECT_EQ(decoded_track_frame::text(f.title()), "\xC6") << i;
    }
}

TEST_F(collector, PositionAndCountKeepTheirLow8Bits) {
    struct row { std::size_t index, count; std::uint8_t position, count_byte; };
    const row rows[] = {{0, 1, 1, 1}, {255, 300, 0, 44}, {299, 300, 44, 44}, {4, 10, 5, 10}};
    for (const row& r : rows) {
        playlists.index = r.index;
        playlists.item_count = r.count;
        start(make_track("a\\b.c", {{"title", "t"}}));
        callbacks.run_all();
        const decoded_track_frame f = last_track_frame();
        EXPECT_EQ(f.payload[2], r.position) << r.index;
        EXPECT_EQ(f.payload[3], r.count_byte) << r.count;
    }
}

TEST_F(collector, UnknownLocationRepeatsTheLastBytesFoundAndZeroBeforeTheFirst) {
    const auto track = make_track("a\\b.c", {{"title", "t"}});
    playlists.knows_location = false;
    start(track);
    callbacks.run_all();
    EXPECT_EQ(last_track_frame().payload[2], 0);
    EXPECT_EQ(last_track_frame().payload[3], 0);

    playlists.knows_location = true;
    playlists.index = 6;
    playlists.item_count = 20;
    start(track);
    callbacks.run_all();
    EXPECT_EQ(last_track_frame().payload[2], 7);

    playlists.knows_location = false;
    playlists.index = 1;
    start(track);
    callbacks.run_all();
    EXPECT_EQ(last_track_frame().payload[2], 7);
    EXPECT_EQ(last_track_frame().payload[3], 20);
}

TEST_F(collector, LocationIsReadWhenTheCallbackRuns) {
    playlists.index = 0;
    playlists.item_count = 5;
    start(make_track("a\\b.c", {{"title", "t"}}));
    playlists.index = 3;
    callbacks.run_all();
    EXPECT_EQ(last_track_frame().payload[2], 4);
}

TEST_F(collector, WorksOnThePlayersNowPlayingTrack) {
    const auto passed = make_track("file://C:\\Passed\\p.mp3", {{"title", "Passed"}});
    const auto playing = make_track("file://C:\\Playing\\q.mp3", {{"title", "Playing"}});
    control.playing = playing;
    playback_display.on_playback_new_track(passed);
    callbacks.run_all();
    EXPECT_EQ(decoded_track_frame::text(last_track_frame().title()), "Playing");
    EXPECT_STREQ(now_playing.path, "file://C:\\Playing\\q.mp3");
}

TEST_F(collector, NothingPlayingFallsBackToThePassedTracksPath) {
    control.playing = metadb_handle_ptr();
    control.length = 99;
    playback_display.on_playback_new_track(make_track("file://C:\\Folder\\Name.mp3", {{"title", "Tag"}}));
    callbacks.run_all();
    const decoded_track_frame f = last_track_frame();
    EXPECT_EQ(decoded_track_frame::text(f.album()), "Folder");
    EXPECT_EQ(decoded_track_frame::text(f.title()), "Name");
    EXPECT_EQ(f.payload[0], 0);
    EXPECT_EQ(f.payload[1], 0);
}

TEST_F(collector, TrackWithoutInfoOrWithAStaleTitleFallsBackToItsPath) {
    start(make_track("file://C:\\A\\one.mp3", {{"title", "One"}, {"album", "Old"}}));
    callbacks.run_all();
    start(make_track("file://C:\\B\\two.mp3", {{"title", "Two"}}, false));
    callbacks.run_all();
    EXPECT_EQ(decoded_track_frame::text(last_track_frame().album()), "B");
    EXPECT_EQ(decoded_track_frame::text(last_track_frame().title()), "two");
}

TEST_F(collector, LongTagsAreCutBeforeTheCharacterThatWouldStraddle) {
    std::string title = "a";
    for (int i = 0; i < 150; ++i) title += "\xD0\xAF";  // Я, 301 bytes in all
    start(make_track("a\\b.c", {{"title", title}}));
    EXPECT_EQ(std::string(now_playing.title), title.substr(0, 255));
    callbacks.run_all();
    EXPECT_EQ(decoded_track_frame::text(last_track_frame().title()), "a" + std::string(63, '\xDF'));
}

TEST_F(collector, StopSeekAndTimeSendTimeFramesOtherEventsNothing) {
    playback_display.on_playback_stop(playback_control::stop_reason_user);
    playback_display.on_playback_seek(90.2);
    playback_display.on_playback_time(61.7);
    playback_display.on_playback_starting(playback_control::track_command_play, false);
    playback_display.on_playback_pause(true);
    playback_display.on_playback_edited(make_track("x"));
    file_info_impl info;
    playback_display.on_playback_dynamic_info(info);
    playback_display.on_playback_dynamic_info_track(info);
    playback_display.on_volume_change(-3.0f);

    ASSERT_EQ(port.frames.size(), 3u);
    EXPECT_EQ(port.frames[0], zero_time_frame);
    EXPECT_EQ(port.frames[1], (bytes{0x2B, 0x02, 0x00, 0x5A, 0x0D}));
    EXPECT_EQ(port.frames[2], (bytes{0x2B, 0x02, 0x00, 0x3E, 0x0D}));
    EXPECT_TRUE(callbacks.queued.empty());
}

TEST_F(collector, ClosedPortLosesFramesButTheNextTrackStillShows) {
    port.open = false;
    start(make_track("file://C:\\A\\one.mp3", {{"title", "One"}}));
    callbacks.run_all();
    playback_display.on_playback_time(3.0);
    EXPECT_EQ(port.attempts, 3);
    EXPECT_TRUE(port.frames.empty());

    port.open = true;
    start(make_track("file://C:\\B\\two.mp3", {{"title", "Two"}}));
    callbacks.run_all();
    ASSERT_EQ(port.frames.size(), 2u);
    EXPECT_EQ(decoded_track_frame::text(last_track_frame().title()), "Two");
}

TEST_F(collector, MissingServicesRaiseTheLookupFailureAndLeakNothing) {
    host.set_service(sdk_guid::main_thread_callback_manager, nullptr);
    EXPECT_THROW(start(make_track("a\\b.c")), exception_service_not_found);
    EXPECT_EQ(port.frames.size(), 1u);  // the time frame went before the queueing failed

    host.set_service(sdk_guid::playback_control, nullptr);
    EXPECT_THROW(playback_display.on_playback_new_track(make_track("a\\b.c")), exception_service_not_found);
    EXPECT_EQ(port.frames.size(), 1u);
}

TEST_F(collector, CallbackCountsItsOwnReferencesAndAnswersOnlyItsInterface) {
    start(make_track("a\\b.c", {{"title", "t"}}));
    ASSERT_EQ(callbacks.queued.size(), 1u);
    main_thread_callback* callback = callbacks.queued[0].get_ptr();

    // The queue holds the only reference once the handler has returned.
    EXPECT_EQ(callback->service_add_ref(), 2);
    EXPECT_EQ(callback->service_release(), 1);

    auto hammer = [callback] {
        for (int i = 0; i < 20000; ++i) {
            callback->service_add_ref();
            callback->service_release();
        }
    };
    std::thread other(hammer);
    hammer();
    other.join();
    EXPECT_EQ(callback->service_add_ref(), 2);
    EXPECT_EQ(callback->service_release(), 1);

    service_ptr out;
    const GUID others[] = {sdk_guid::playback_control, sdk_guid::main_thread_callback_manager,
                           sdk_guid::metadb_handle, sdk_guid::play_callback_manager};
    for (const GUID& guid : others) {
        EXPECT_FALSE(callback->service_query(out, guid));
        EXPECT_FALSE(out.is_valid());
    }
    service_ptr_t<main_thread_callback> same;
    ASSERT_TRUE(callbacks.queued[0].query(same));
    EXPECT_EQ(same.get_ptr(), callback);
    EXPECT_EQ(callback->service_add_ref(), 3);
    EXPECT_EQ(callback->service_release(), 2);
}

TEST(playback_display_registration, AsksForItsSixHandlersAndTheCurrentState) {
    fake_host host;
    service_impl_single_t<fake_play_callback_manager> manager;
    host.set_service(&manager);
    register_playback_display();
    EXPECT_EQ(manager.registrations, 1);
    EXPECT_EQ(manager.callback, &playback_display);
    EXPECT_EQ(manager.flags, 287u);
    EXPECT_TRUE(manager.forward_status);
}

}  // namespace
