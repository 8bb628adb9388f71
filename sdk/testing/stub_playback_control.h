// A playback control for native tests of the sdk's plumbing: it counts its
// references and stop calls and otherwise does nothing. It answers queries
// for its own class unless told not to.
#pragma once

#include "sdk/playback_control.h"

class stub_playback_control final : public playback_control {
public:
    bool get_now_playing(metadb_handle_ptr& out) override {
        out.release();
        return false;
    }
    void start(t_track_command, bool) override {}
    void stop() override { ++stops; }
    bool is_playing() override { return false; }
    bool is_paused() override { return false; }
    void pause(bool) override {}
    bool playback_can_seek() override { return false; }
    void playback_seek(double) override {}
    void playback_seek_delta(double) override {}
    double playback_get_position() override { return 0; }
    double playback_get_length() override { return 0; }
    float get_volume() override { return 0; }
    void set_volume(float) override {}
    void volume_up() override {}
    void volume_down() override {}
    void volume_mute_toggle() override {}

    int service_release() noexcept override { return --refs; }
    int service_add_ref() noexcept override { return ++refs; }
    bool service_query(service_ptr& out, const GUID& guid) override {
        if (!(guid == class_guid) || !answers_query) return false;
        out = static_cast<service_base*>(this);
        return true;
    }

    int refs = 0;
    int stops = 0;
    bool answers_query = true;
};
