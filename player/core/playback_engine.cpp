#include "player/core/playback_engine.h"

#include <algorithm>
#include <utility>

namespace player {

playback_engine::playback_engine(std::uint32_t random_seed)
    : random_state_(random_seed == 0 ? 1u : random_seed) {}

void playback_engine::add_listener(listener l) { listeners_.push_back(std::move(l)); }

std::size_t playback_engine::add(track t) {
    if (t.length_ms < 0) t.length_ms = 0;
    playlist_.push_back(std::move(t));
    return playlist_.size() - 1;
}

void playback_engine::clear() {
    stop(stop_reason::user);
    playlist_.clear();
    has_current_ = false;
    current_ = 0;
}

std::optional<std::size_t> playback_engine::playing_index() const {
    if (state_ == play_state::stopped) return std::nullopt;
    return current_;
}

const track* playback_engine::now_playing() const {
    if (state_ == play_state::stopped) return nullptr;
    return &playlist_[current_];
}

bool playback_engine::start(track_command cmd, bool paused) {
    if (playlist_.empty()) return false;
    const std::size_t n = playlist_.size();
    std::size_t index = 0;
    switch (cmd) {
    case track_command::next:
        // A commanded "next" on the last track wraps; only running off the
        // end by itself stops playback.
        index = has_current_ ? (current_ + 1) % n : 0;
        break;
    case track_command::previous:
        index = has_current_ && current_ > 0 ? current_ - 1 : 0;
        break;
    case track_command::random:
        index = pick_random();
        break;
    case track_command::play:
    default:
        // Play restarts the current (or last played) track, else the first.
        index = has_current_ ? current_ : 0;
        break;
    }
    begin_track(index, static_cast<int>(cmd), paused, true);
    return true;
}

bool playback_engine::play_index(std::size_t index, bool paused) {
    if (index >= playlist_.size()) return false;
    begin_track(index, static_cast<int>(track_command::play), paused, true);
    return true;
}

void playback_engine::begin_track(std::size_t index, int command, bool paused, bool announce_start) {
    if (announce_start && state_ != play_state::stopped) {
        state_ = play_state::stopped;
        emit({playback_event::kind::stop, 0, false, 0, stop_reason::starting_another, 0});
    }
    current_ = index;
    has_current_ = true;
    position_ms_ = 0;
    state_ = paused ? play_state::paused : play_state::playing;
    if (announce_start) emit({playback_event::kind::starting, command, paused, 0, stop_reason::user, 0});
    emit({playback_event::kind::new_track, 0, false, index, stop_reason::user, 0});
}

void playback_engine::stop(stop_reason reason) {
    if (state_ == play_state::stopped) return;
    state_ = play_state::stopped;
    position_ms_ = 0;
    emit({playback_event::kind::stop, 0, false, 0, reason, 0});
}

void playback_engine::pause(bool paused) {
    if (state_ == play_state::stopped) return;
    const play_state wanted = paused ? play_state::paused : play_state::playing;
    if (state_ == wanted) return;
    state_ = wanted;
    emit({playback_event::kind::pause, 0, paused, 0, stop_reason::user, 0});
}

void playback_engine::seek_ms(std::int64_t position_ms) {
    if (state_ == play_state::stopped) return;
    const std::int64_t length = playlist_[current_].length_ms;
    position_ms_ = std::clamp<std::int64_t>(position_ms, 0, length);
    emit({playback_event::kind::seek, 0, false, 0, stop_reason::user, position_ms_ / 1000.0});
    if (position_ms_ >= length) end_of_track();
}

void playback_engine::seek_delta_ms(std::int64_t delta_ms) {
    if (state_ == play_state::stopped) return;
    seek_ms(position_ms_ + delta_ms);
}

void playback_engine::set_volume(float db) {
    db = std::clamp(db, volume_min_db, 0.0f);
    const float before = effective_volume();
    volume_db_ = db;
    muted_ = false;
    if (effective_volume() != before)
        emit({playback_event::kind::volume, 0, false, 0, stop_reason::user, effective_volume()});
}

void playback_engine::volume_up() { set_volume(volume_db_ + volume_step_db); }

void playback_engine::volume_down() { set_volume(volume_db_ - volume_step_db); }

void playback_engine::volume_mute_toggle() {
    muted_ = !muted_;
    emit({playback_event::kind::volume, 0, false, 0, stop_reason::user, effective_volume()});
}

void playback_engine::advance(std::int64_t ms) {
    if (ms <= 0) return;
    std::int64_t remaining = ms;
    while (remaining > 0 && state_ == play_state::playing) {
        const std::int64_t length = playlist_[current_].length_ms;
        const std::int64_t next_second = (position_ms_ / 1000 + 1) * 1000;
        const std::int64_t boundary = std::min(next_second, length);
        const std::int64_t step = boundary - position_ms_;
        if (step > remaining) {
            position_ms_ += remaining;
            break;
        }
        position_ms_ = boundary;
        remaining -= step;
        if (position_ms_ >= length)
            end_of_track();
        else
            emit({playback_event::kind::time, 0, false, 0, stop_reason::user, position_ms_ / 1000.0});
    }
}

void playback_engine::end_of_track() {
    if (current_ + 1 < playlist_.size())
        begin_track(current_ + 1, 0, state_ == play_state::paused, false);
    else
        stop(stop_reason::end_of_playlist);
}

std::size_t playback_engine::pick_random() {
    const std::size_t n = playlist_.size();
    if (n == 1) return 0;
    // xorshift32: reproducible across platforms for a given seed.
    random_state_ ^= random_state_ << 13;
    random_state_ ^= random_state_ >> 17;
    random_state_ ^= random_state_ << 5;
    std::size_t pick = random_state_ % n;
    // Random means another track when there is one to go to.
    if (has_current_ && state_ != play_state::stopped && pick == current_) pick = (pick + 1) % n;
    return pick;
}

void playback_engine::emit(playback_event e) {
    pending_.push_back(e);
    if (dispatching_) return;
    // A listener that throws must not leave the engine deaf for good.
    struct dispatch_guard {
        bool& flag;
        ~dispatch_guard() { flag = false; }
    } guard{dispatching_};
    dispatching_ = true;
    while (!pending_.empty()) {
        const playback_event next = pending_.front();
        pending_.pop_front();
        for (const auto& l : listeners_) l(next);
    }
}

}  // namespace player
