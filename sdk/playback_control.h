// The player's transport: starting, stopping, pausing, seeking and volume.
#pragma once

#include "sdk/guids.h"
#include "sdk/metadb_handle.h"
#include "sdk/service.h"

class playback_control : public service_base {
public:
    static constexpr GUID class_guid = sdk_guid::playback_control;
    using parent_class = service_base;

    // Which track start() plays.
    enum t_track_command : unsigned {
        track_command_default = 0,  // whatever the player would play next
        track_command_play = 1,     // play: the current or the selected track
        track_command_next = 2,
        track_command_prev = 3,
        track_command_settrack = 4,  // the track the player has been told to play
        track_command_rand = 5,      // a random track
        track_command_resume = 6,    // the track that played when the player last quit
    };

    // Why playback stopped (play_callback::on_playback_stop).
    enum t_stop_reason : unsigned {
        stop_reason_user = 0,
        stop_reason_eof = 1,
        stop_reason_starting_another = 2,
        stop_reason_shutting_down = 3,
    };

    // The track now playing; false (and `out` empty) when nothing plays.
    virtual bool get_now_playing(metadb_handle_ptr& out) = 0;
    virtual void start(t_track_command command, bool paused) = 0;
    virtual void stop() = 0;
    virtual bool is_playing() = 0;
    virtual bool is_paused() = 0;
    // true pauses, false resumes; nothing happens while stopped.
    virtual void pause(bool state) = 0;

    virtual bool playback_can_seek() = 0;
    virtual void playback_seek(double seconds) = 0;
    // Seeks by `seconds` from the current position (negative: backwards).
    virtual void playback_seek_delta(double seconds) = 0;
    // Seconds played of the current track; 0 when nothing plays.
    virtual double playback_get_position() = 0;
    // Length in seconds of the now-playing track; 0 when nothing plays or
    // the length is unknown.
    virtual double playback_get_length() = 0;

    // Volume in decibels: 0 is full volume, lower values are quieter.
    virtual float get_volume() = 0;
    virtual void set_volume(float decibels) = 0;
    virtual void volume_up() = 0;
    virtual void volume_down() = 0;
    virtual void volume_mute_toggle() = 0;

protected:
    ~playback_control() = default;
};
