// The player's services as components look them up: playback_control,
// playlist_manager, play_callback_manager and main_thread_callback_manager,
// all over one playback engine. Each call a component makes is printed
// ("call:" for actions, "query:" for questions when asked to), and each play
// callback delivered is printed as an "event:" line.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "player/core/output_log.h"
#include "player/core/playback_engine.h"
#include "sdk/main_thread_callback.h"
#include "sdk/play_callback.h"
#include "sdk/playback_control.h"
#include "sdk/playlist_manager.h"
#include "sdk/service.h"

namespace player {

// Runs a component's code and turns anything it throws into an error line:
// nothing may unwind through the player's loop. Returns false if it threw.
bool guarded(output_log& out, const char* what, const std::function<void()>& call);

class playback_control_impl : public playback_control {
public:
    playback_control_impl(playback_engine& engine, output_log& out, const bool& show_queries)
        : engine_(engine), out_(out), show_queries_(show_queries) {}

    bool get_now_playing(metadb_handle_ptr& out) override;
    void start(t_track_command command, bool paused) override;
    void stop() override;
    bool is_playing() override;
    bool is_paused() override;
    void pause(bool state) override;
    bool playback_can_seek() override;
    void playback_seek(double seconds) override;
    void playback_seek_delta(double seconds) override;
    double playback_get_position() override;
    double playback_get_length() override;
    float get_volume() override;
    void set_volume(float decibels) override;
    void volume_up() override;
    void volume_down() override;
    void volume_mute_toggle() override;

private:
    void query(const std::string& text);
    playback_engine& engine_;
    output_log& out_;
    const bool& show_queries_;
};

class playlist_manager_impl : public playlist_manager {
public:
    playlist_manager_impl(playback_engine& engine, output_log& out, const bool& show_queries)
        : engine_(engine), out_(out), show_queries_(show_queries) {}

    bool get_playing_item_location(std::size_t* playlist, std::size_t* index) override;
    std::size_t playlist_get_item_count(std::size_t playlist) override;

private:
    playback_engine& engine_;
    output_log& out_;
    const bool& show_queries_;
};

class play_callback_manager_impl : public play_callback_manager {
public:
    play_callback_manager_impl(playback_engine& engine, output_log& out) : engine_(engine), out_(out) {}

    void register_callback(play_callback* callback, unsigned flags, bool forward_status) override;
    void unregister_callback(play_callback* callback) override;

    // Hands one engine event to every callback that asked for it.
    void deliver(const playback_event& e);
    std::size_t registered() const { return callbacks_.size(); }

private:
    struct registration {
        play_callback* callback;
        unsigned flags;
    };
    bool still_registered(play_callback* cb, unsigned flag) const;
    playback_engine& engine_;
    output_log& out_;
    std::vector<registration> callbacks_;
};

class main_thread_callback_manager_impl : public main_thread_callback_manager {
public:
    explicit main_thread_callback_manager_impl(output_log& out) : out_(out) {}

    // May be called from any thread; `wake` tells the main loop.
    void add_callback(const service_ptr_t<main_thread_callback>& callback) override;

    void set_wake(std::function<void()> wake);
    // Runs what was queued before this call; returns how many ran.
    std::size_t run_pending();
    bool has_pending() const;

private:
    output_log& out_;
    mutable std::mutex mutex_;
    std::deque<service_ptr_t<main_thread_callback>> queue_;
    std::function<void()> wake_;
};

// All of the player's services, single instances living as long as this.
// The owner feeds engine events to play_callbacks.deliver().
class player_services {
public:
    player_services(playback_engine& engine, output_log& out);

    // A component's service lookup by class GUID.
    bool lookup(const GUID& class_guid, service_ptr& out);

    bool show_queries = false;
    service_impl_single_t<playback_control_impl> playback;
    service_impl_single_t<playlist_manager_impl> playlists;
    service_impl_single_t<play_callback_manager_impl> play_callbacks;
    service_impl_single_t<main_thread_callback_manager_impl> main_thread;
};

}  // namespace player
