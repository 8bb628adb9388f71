// Playback events, delivered on the player's main thread to callbacks
// registered with play_callback_manager. A callback is not a service: the
// component owns it and keeps it alive while registered.
#pragma once

#include "sdk/guids.h"
#include "sdk/metadb_handle.h"
#include "sdk/playback_control.h"
#include "sdk/service.h"

class play_callback {
public:
    // One registration flag per handler: bit n asks for the handler of slot n.
    enum : unsigned {
        flag_on_playback_starting = 1u << 0,
        flag_on_playback_new_track = 1u << 1,
        flag_on_playback_stop = 1u << 2,
        flag_on_playback_seek = 1u << 3,
        flag_on_playback_pause = 1u << 4,
        flag_on_playback_edited = 1u << 5,
        flag_on_playback_dynamic_info = 1u << 6,
        flag_on_playback_dynamic_info_track = 1u << 7,
        flag_on_playback_time = 1u << 8,
        flag_on_volume_change = 1u << 9,
    };

    // Slot 0: playback is about to start.
    virtual void on_playback_starting(playback_control::t_track_command command, bool paused) = 0;
    // Slot 1: a track has started playing.
    virtual void on_playback_new_track(const metadb_handle_ptr& track) = 0;
    // Slot 2
    virtual void on_playback_stop(playback_control::t_stop_reason reason) = 0;
    // Slot 3: seconds from the track's start.
    virtual void on_playback_seek(double time) = 0;
    // Slot 4: true when paused, false when resumed.
    virtual void on_playback_pause(bool state) = 0;
    // Slot 5: the playing track's information changed.
    virtual void on_playback_edited(const metadb_handle_ptr& track) = 0;
    // Slot 6: stream information changed (e.g. bitrate).
    virtual void on_playback_dynamic_info(const file_info& info) = 0;
    // Slot 7: the current track's stream information changed (e.g. a radio title).
    virtual void on_playback_dynamic_info_track(const file_info& info) = 0;
    // Slot 8: every second of playback; seconds from the track's start.
    virtual void on_playback_time(double time) = 0;
    // Slot 9: volume in decibels.
    virtual void on_volume_change(float new_volume) = 0;

protected:
    play_callback() = default;
    ~play_callback() = default;
    play_callback(const play_callback&) = default;
    play_callback& operator=(const play_callback&) = default;
};

class play_callback_manager : public service_base {
public:
    static constexpr GUID class_guid = sdk_guid::play_callback_manager;
    using parent_class = service_base;

    // `flags` chooses the handlers called (play_callback::flag_*). With
    // `forward_status` true the callback is at once told the current state:
    // the playing track (and the pause state) if something plays.
    virtual void register_callback(play_callback* callback, unsigned flags, bool forward_status) = 0;
    virtual void unregister_callback(play_callback* callback) = 0;

protected:
    ~play_callback_manager() = default;
};
