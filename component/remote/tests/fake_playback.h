// A playback_control that does nothing but remember what it was asked, for
// the receiver's tests, fuzz target and benchmark.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "sdk/playback_control.h"
#include "sdk/service.h"

class fake_playback final : public playback_control {
public:
    bool paused = false;
    // Every call as text, e.g. "start(1,0)"; off for runs that must not allocate.
    bool keep_calls = true;
    std::vector<std::string> calls;
    unsigned call_count = 0;
    int refs = 0;  // references held right now

    bool get_now_playing(metadb_handle_ptr& out) override {
        out.release();
        return false;
    }
    void start(t_track_command command, bool start_paused) override {
        char text[32];
        std::snprintf(text, sizeof text, "start(%u,%d)", static_cast<unsigned>(command), start_paused ? 1 : 0);
        note(text);
    }
    void stop() override { note("stop()"); }
    bool is_playing() override { return false; }
    bool is_paused() override {
        note("is_paused()");
        return paused;
    }
    void pause(bool state) override { note(state ? "pause(1)" : "pause(0)"); }
    bool playback_can_seek() override { return true; }
    void playback_seek(double seconds) override {
        char text[32];
        std::snprintf(text, sizeof text, "seek(%.1f)", seconds);
        note(text);
    }
    void playback_seek_delta(double seconds) override {
        char text[32];
        std::snprintf(text, sizeof text, "seek_delta(%.1f)", seconds);
        note(text);
    }
    double playback_get_position() override { return 0; }
    double playback_get_length() override { return 0; }
    float get_volume() override { return 0; }
    void set_volume(float) override {}
    void volume_up() override { note("volume_up()"); }
    void volume_down() override { note("volume_down()"); }
    void volume_mute_toggle() override { note("volume_mute_toggle()"); }

    int service_release() noexcept override { return --refs; }
    int service_add_ref() noexcept override { return ++refs; }
    bool service_query(service_ptr& out, const GUID& class_guid) override {
        if (class_guid != playback_control::class_guid) return false;
        out = static_cast<service_base*>(this);
        return true;
    }

private:
    void note(const char* text) {
        ++call_count;
        if (keep_calls) calls.emplace_back(text);
    }
};

