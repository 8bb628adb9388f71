// The now-playing collector: follows playback through the player's play
// callback and keeps the device's display current. Time frames go out from
// the handlers; the track frame from a main-thread callback queued for every
// new track, so that it reads the playlist position once the player has
// settled on it.
#pragma once

#include <atomic>
#include <cstdint>

#include "component/display/now_playing_state.h"
#include "sdk/main_thread_callback.h"
#include "sdk/play_callback.h"

class playback_display_callback final : public play_callback {
public:
    // Starting, new track, stop, seek, pause and time: slots 0-4 and 8.
    static constexpr unsigned flags =
        flag_on_playback_starting | flag_on_playback_new_track | flag_on_playback_stop |
        flag_on_playback_seek | flag_on_playback_pause | flag_on_playback_time;

    void on_playback_starting(playback_control::t_track_command, bool) override {}
    void on_playback_new_track(const metadb_handle_ptr& track) override;
    void on_playback_stop(playback_control::t_stop_reason reason) override;
    void on_playback_seek(double time) override;
    void on_playback_pause(bool) override {}
    void on_playback_edited(const metadb_handle_ptr&) override {}
    void on_playback_dynamic_info(const file_info&) override {}
    void on_playback_dynamic_info_track(const file_info&) override {}
    void on_playback_time(double time) override;
    void on_volume_change(float) override {}
};

static_assert(playback_display_callback::flags == 287, "the handlers the display asks for");

// The component's one instance, alive from load to unload.
extern playback_display_callback playback_display;

// Registers playback_display with the player's play_callback_manager, asking
// to be told the current state at once. Throws exception_service_not_found
// when the player has no such manager.
void register_playback_display();

// Builds and sends the track frame of the current track. Made on the heap for
// every new track; counts its own references and deletes itself with the last.
class new_track_pb final : public main_thread_callback {
public:
    new_track_pb() = default;

    int service_add_ref() noexcept override;
    int service_release() noexcept override;
    bool service_query(service_ptr& out, const GUID& class_guid) override;
    void callback_run() override;

private:
    ~new_track_pb() = default;

    std::atomic<std::int32_t> references_{0};
};
