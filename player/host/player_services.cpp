#include "player/host/player_services.h"

#include <cmath>
#include <exception>
#include <string>

#include "player/host/track_handle.h"

namespace player {

bool guarded(output_log& out, const char* what, const std::function<void()>& call) {
    try {
        call();
        return true;
    } catch (const std::exception& e) {
        out.line("error", std::string(what) + " threw: " + e.what());
    } catch (...) {
        out.line("error", std::string(what) + " threw an unknown exception");
    }
    return false;
}

namespace {

std::int64_t to_ms(double seconds) {
    if (!std::isfinite(seconds)) return 0;
    const double ms = std::round(seconds * 1000.0);
    if (ms > 9.0e15) return static_cast<std::int64_t>(9.0e15);
    if (ms < -9.0e15) return static_cast<std::int64_t>(-9.0e15);
    return static_cast<std::int64_t>(ms);
}

track_command engine_command(playback_control::t_track_command c) {
    switch (c) {
    case playback_control::track_command_next: return track_command::next;
    case playback_control::track_command_prev: return track_command::previous;
    case playback_control::track_command_rand: return track_command::random;
    default: return track_command::play;  // default, play, settrack and resume all mean "play"
    }
}

const char* reason_name(stop_reason r) {
    switch (r) {
    case stop_reason::user: return "user";
    case stop_reason::end_of_playlist: return "eof";
    case stop_reason::starting_another: return "starting_another";
    case stop_reason::shutting_down: return "shutting_down";
    }
    return "?";
}

}  // namespace

// ---- playback_control ------------------------------------------------------

void playback_control_impl::query(const std::string& text) {
    if (show_queries_) out_.line("query", text);
}

bool playback_control_impl::get_now_playing(metadb_handle_ptr& out) {
    const track* t = engine_.now_playing();
    if (t)
        out = make_track_handle(*t);
    else
        out.release();
    query(std::string("get_now_playing = ") + (t ? t->path : "none"));
    return t != nullptr;
}

void playback_control_impl::start(t_track_command command, bool paused) {
    out_.line("call", "start " + std::to_string(static_cast<unsigned>(command)) + " paused=" + (paused ? "1" : "0"));
    if (!engine_.start(engine_command(command), paused)) out_.line("player", "nothing to play: the playlist is empty");
}

void playback_control_impl::stop() {
    out_.line("call", "stop");
    engine_.stop(stop_reason::user);
}

bool playback_control_impl::is_playing() {
    query(std::string("is_playing = ") + (engine_.is_playing() ? "1" : "0"));
    return engine_.is_playing();
}

bool playback_control_impl::is_paused() {
    query(std::string("is_paused = ") + (engine_.is_paused() ? "1" : "0"));
    return engine_.is_paused();
}

void playback_control_impl::pause(bool state) {
    out_.line("call", std::string("pause ") + (state ? "1" : "0"));
    engine_.pause(state);
}

bool playback_control_impl::playback_can_seek() {
    query(std::string("playback_can_seek = ") + (engine_.is_playing() ? "1" : "0"));
    return engine_.is_playing();
}

void playback_control_impl::playback_seek(double seconds) {
    out_.line("call", "seek " + format_seconds(seconds));
    engine_.seek_ms(to_ms(seconds));
}

void playback_control_impl::playback_seek_delta(double seconds) {
    out_.line("call", "seek_delta " + format_seconds(seconds));
    engine_.seek_delta_ms(to_ms(seconds));
}

double playback_control_impl::playback_get_position() {
    const double s = static_cast<double>(engine_.position_ms()) / 1000.0;
    query("playback_get_position = " + format_seconds(s));
    return s;
}

double playback_control_impl::playback_get_length() {
    const track* t = engine_.now_playing();
    const double s = t ? static_cast<double>(t->length_ms) / 1000.0 : 0.0;
    query("playback_get_length = " + format_seconds(s));
    return s;
}

float playback_control_impl::get_volume() {
    query("get_volume = " + format_seconds(engine_.effective_volume()));
    return engine_.effective_volume();
}

void playback_control_impl::set_volume(float decibels) {
    out_.line("call", "set_volume " + format_seconds(decibels));
    if (std::isfinite(decibels)) engine_.set_volume(decibels);
}

void playback_control_impl::volume_up() {
    out_.line("call", "volume_up");
    engine_.volume_up();
}

void playback_control_impl::volume_down() {
    out_.line("call", "volume_down");
    engine_.volume_down();
}

void playback_control_impl::volume_mute_toggle() {
    out_.line("call", "volume_mute_toggle");
    engine_.volume_mute_toggle();
}

// ---- playlist_manager ------------------------------------------------------

bool playlist_manager_impl::get_playing_item_location(std::size_t* playlist, std::size_t* index) {
    const auto playing = engine_.playing_index();
    if (playing) {
        if (playlist) *playlist = 0;
        if (index) *index = *playing;
    }
    if (show_queries_)
        out_.line("query", "get_playing_item_location = " + (playing ? "0 " + std::to_string(*playing) : std::string("none")));
    return playing.has_value();
}

std::size_t playlist_manager_impl::playlist_get_item_count(std::size_t playlist) {
    // The player has one playlist, number 0.
    const std::size_t count = playlist == 0 ? engine_.playlist().size() : 0;
    if (show_queries_)
        out_.line("query", "playlist_get_item_count " + std::to_string(playlist) + " = " + std::to_string(count));
    return count;
}

// ---- play_callback_manager -------------------------------------------------

void play_callback_manager_impl::register_callback(play_callback* callback, unsigned flags, bool forward_status) {
    if (!callback) return;
    out_.line("player", "play callback registered, flags " + std::to_string(flags) +
                            (forward_status ? ", status forwarded" : ""));
    bool known = false;
    for (auto& r : callbacks_) {
        if (r.callback == callback) {
            r.flags = flags;
            known = true;
        }
    }
    if (!known) callbacks_.push_back({callback, flags});
    if (!forward_status || !engine_.is_playing()) return;
    // A late registration learns what is playing right away.
    if (flags & play_callback::flag_on_playback_new_track) {
        metadb_handle_ptr now = make_track_handle(*engine_.now_playing());
        out_.line("event", "new_track " + std::to_string(*engine_.playing_index() + 1) + " " + now->get_location());
        guarded(out_, "on_playback_new_track", [&] { callback->on_playback_new_track(now); });
    }
    if (engine_.is_paused() && (flags & play_callback::flag_on_playback_pause)) {
        out_.line("event", "pause 1");
        guarded(out_, "on_playback_pause", [&] { callback->on_playback_pause(true); });
    }
}

void play_callback_manager_impl::unregister_callback(play_callback* callback) {
    for (auto it = callbacks_.begin(); it != callbacks_.end(); ++it) {
        if (it->callback == callback) {
            callbacks_.erase(it);
            out_.line("player", "play callback unregistered");
            return;
        }
    }
}

bool play_callback_manager_impl::still_registered(play_callback* cb, unsigned flag) const {
    for (const auto& r : callbacks_)
        if (r.callback == cb) return (r.flags & flag) != 0;
    return false;
}

void play_callback_manager_impl::deliver(const playback_event& e) {
    unsigned flag = 0;
    std::string text;
    std::function<void(play_callback*)> call;
    const char* name = "";
    metadb_handle_ptr handle;
    switch (e.what) {
    case playback_event::kind::starting: {
        flag = play_callback::flag_on_playback_starting;
        name = "on_playback_starting";
        text = "starting " + std::to_string(e.command) + " paused=" + (e.flag ? "1" : "0");
        const auto cmd = static_cast<playback_control::t_track_command>(e.command);
        const bool paused = e.flag;
        call = [cmd, paused](play_callback* cb) { cb->on_playback_starting(cmd, paused); };
        break;
    }
    case playback_event::kind::new_track:
        // The playlist may have been cleared by a handler before this queued
        // event came round; there is no track left to announce then.
        if (e.index >= engine_.playlist().size()) return;
        flag = play_callback::flag_on_playback_new_track;
        name = "on_playback_new_track";
        handle = make_track_handle(engine_.playlist()[e.index]);
        text = "new_track " + std::to_string(e.index + 1) + " " + handle->get_location();
        call = [&handle](play_callback* cb) { cb->on_playback_new_track(handle); };
        break;
    case playback_event::kind::stop: {
        flag = play_callback::flag_on_playback_stop;
        name = "on_playback_stop";
        text = "stop " + std::to_string(static_cast<int>(e.reason)) + " " + reason_name(e.reason);
        const auto reason = static_cast<playback_control::t_stop_reason>(e.reason);
        call = [reason](play_callback* cb) { cb->on_playback_stop(reason); };
        break;
    }
    case playback_event::kind::seek: {
        flag = play_callback::flag_on_playback_seek;
        name = "on_playback_seek";
        text = "seek " + format_seconds(e.seconds);
        const double t = e.seconds;
        call = [t](play_callback* cb) { cb->on_playback_seek(t); };
        break;
    }
    case playback_event::kind::pause: {
        flag = play_callback::flag_on_playback_pause;
        name = "on_playback_pause";
        text = std::string("pause ") + (e.flag ? "1" : "0");
        const bool state = e.flag;
        call = [state](play_callback* cb) { cb->on_playback_pause(state); };
        break;
    }
    case playback_event::kind::time: {
        flag = play_callback::flag_on_playback_time;
        name = "on_playback_time";
        text = "time " + format_seconds(e.seconds);
        const double t = e.seconds;
        call = [t](play_callback* cb) { cb->on_playback_time(t); };
        break;
    }
    case playback_event::kind::volume: {
        flag = play_callback::flag_on_volume_change;
        name = "on_volume_change";
        text = "volume " + format_seconds(e.seconds);
        const float v = static_cast<float>(e.seconds);
        call = [v](play_callback* cb) { cb->on_volume_change(v); };
        break;
    }
    }
    // A handler may register or unregister callbacks: walk a copy and skip
    // any that left meanwhile.
    const std::vector<registration> targets = callbacks_;
    bool announced = false;
    for (const registration& r : targets) {
        if (!still_registered(r.callback, flag)) continue;
        if (!announced) {
            out_.line("event", text);
            announced = true;
        }
        guarded(out_, name, [&] { call(r.callback); });
    }
}

// ---- main_thread_callback_manager ------------------------------------------

void main_thread_callback_manager_impl::add_callback(const service_ptr_t<main_thread_callback>& callback) {
    if (!callback) return;
    std::function<void()> wake;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(callback);
        wake = wake_;
    }
    if (wake) wake();
}

void main_thread_callback_manager_impl::set_wake(std::function<void()> wake) {
    std::lock_guard<std::mutex> lock(mutex_);
    wake_ = std::move(wake);
}

bool main_thread_callback_manager_impl::has_pending() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return !queue_.empty();
}

std::size_t main_thread_callback_manager_impl::run_pending() {
    std::deque<service_ptr_t<main_thread_callback>> batch;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        batch.swap(queue_);
    }
    for (auto& cb : batch) {
        out_.line("event", "main_thread_callback");
        guarded(out_, "callback_run", [&] { cb->callback_run(); });
        cb.release();  // the player's reference goes as soon as it has run
    }
    return batch.size();
}

// ---- the set ----------------------------------------------------------------

player_services::player_services(playback_engine& engine, output_log& out)
    : playback(engine, out, show_queries),
      playlists(engine, out, show_queries),
      play_callbacks(engine, out),
      main_thread(out) {}

bool player_services::lookup(const GUID& class_guid, service_ptr& out) {
    service_base* found = nullptr;
    if (class_guid == playback_control::class_guid)
        found = static_cast<playback_control*>(&playback);
    else if (class_guid == playlist_manager::class_guid)
        found = static_cast<playlist_manager*>(&playlists);
    else if (class_guid == play_callback_manager::class_guid)
        found = static_cast<play_callback_manager*>(&play_callbacks);
    else if (class_guid == main_thread_callback_manager::class_guid)
        found = static_cast<main_thread_callback_manager*>(&main_thread);
    if (!found) return false;
    out = found;
    return true;
}

}  // namespace player
