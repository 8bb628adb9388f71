#include "player/tests/test_component/test_component.h"

#include <string>

#include "sdk/componentversion.h"
#include "sdk/console.h"
#include "sdk/initquit.h"
#include "sdk/main_thread_callback.h"
#include "sdk/metadb_handle.h"
#include "sdk/play_callback.h"
#include "sdk/playlist_manager.h"
#include "sdk/service_factory.h"

namespace test_component {

cfg_int_t<int> starts({0x5A1E0001, 0x7E57, 0x4C0D, {0x9A, 0x11, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01}}, 0);
cfg_int_t<bool> enabled({0x5A1E0002, 0x7E57, 0x4C0D, {0x9A, 0x11, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02}}, false);
cfg_string label({0x5A1E0003, 0x7E57, 0x4C0D, {0x9A, 0x11, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03}}, "fresh");
cfg_struct_t<codes> learned({0x5A1E0004, 0x7E57, 0x4C0D, {0x9A, 0x11, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04}}, codes{});

namespace {

const char* or_dash(const char* s) { return s ? s : "-"; }

class track_report : public main_thread_callback {
public:
    void callback_run() override {
        auto playlists = standard_api_create_t<playlist_manager>();
        std::size_t list = 0, index = 0;
        if (playlists->get_playing_item_location(&list, &index))
            console::printf("test_component: main thread: item %u of %u", static_cast<unsigned>(index + 1),
                            static_cast<unsigned>(playlists->playlist_get_item_count(list)));
        else
            console::print("test_component: main thread: nothing playing");
    }
};

class reporter final : public play_callback {
public:
    void on_playback_starting(playback_control::t_track_command command, bool paused) override {
        console::printf("test_component: starting cmd=%u paused=%d", static_cast<unsigned>(command), paused ? 1 : 0);
    }
    void on_playback_new_track(const metadb_handle_ptr& track) override {
        auto playback = standard_api_create_t<playback_control>();
        metadb_handle_ptr now;
        std::string title = "-", album = "-";
        if (playback->get_now_playing(now)) {
            file_info_impl info;
            if (now->get_info(info)) {
                title = or_dash(info.meta_get("title", 0));
                album = or_dash(info.meta_get("album", 0));
            }
        }
        console::printf("test_component: new track %s title=%s album=%s length=%.1f", track->get_location(),
                        title.c_str(), album.c_str(), playback->playback_get_length());
        standard_api_create_t<main_thread_callback_manager>()->add_callback(service_new_t<track_report>());
    }
    void on_playback_stop(playback_control::t_stop_reason reason) override {
        console::printf("test_component: stop reason=%u", static_cast<unsigned>(reason));
    }
    void on_playback_seek(double time) override { console::printf("test_component: seek %.1f", time); }
    void on_playback_pause(bool state) override { console::printf("test_component: pause %d", state ? 1 : 0); }
    void on_playback_edited(const metadb_handle_ptr&) override { console::print("test_component: UNREQUESTED edited"); }
    void on_playback_dynamic_info(const file_info&) override { console::print("test_component: UNREQUESTED dynamic_info"); }
    void on_playback_dynamic_info_track(const file_info&) override {
        console::print("test_component: UNREQUESTED dynamic_info_track");
    }
    void on_playback_time(double time) override { console::printf("test_component: time %.1f", time); }
    void on_volume_change(float) override { console::print("test_component: UNREQUESTED volume"); }
};

reporter g_reporter;

class hooks : public initquit {
public:
    void on_init() override {
        starts = starts + 1;
        console::printf("test_component: on_init start=%d enabled=%d label=%s code0=%u", static_cast<int>(starts),
                        enabled ? 1 : 0, label.get_ptr(), learned.get_value().bytes[0]);
        platform_start();
        // Starting, new track, stop, seek, pause and time: as the real one asks.
        standard_api_create_t<play_callback_manager>()->register_callback(&g_reporter, 287, true);
    }
    void on_quit() override {
        console::print("test_component: on_quit");
        platform_stop();
        label = "quit cleanly";
    }
};

class version : public componentversion {
public:
    void get_file_name(string_base& out) override { out = "test_component.dll"; }
    void get_component_name(string_base& out) override { out = "player test component"; }
    void get_component_version(string_base& out) override { out = "1.0"; }
    void get_about_message(string_base& out) override { out = "Exercises the stand-in player."; }
};

service_factory_single_t<hooks> g_hooks;
service_factory_single_t<version> g_version;

}  // namespace

void press(int id) {
    auto playback = standard_api_create_t<playback_control>();
    switch (id) {
    case 1011: playback->start(playback_control::track_command_play, false); break;
    case 1012: playback->pause(!playback->is_paused()); break;
    case 1013: playback->stop(); break;
    case 1014: playback->playback_seek_delta(-5.0); break;
    case 1015: playback->volume_up(); break;
    case 1016: playback->volume_mute_toggle(); break;
    case 1019: playback->start(playback_control::track_command_next, false); break;
    default: break;
    }
}

}  // namespace test_component
