// A playlist and a clock-driven playback state machine. It plays nothing: it
// only keeps the position and tells its listeners what a real player would
// report (new track, stop, seek, pause, each elapsed second, volume).
//
// Time never moves by itself: advance() is called either by the scenario
// (deterministic) or by the host loop with wall-clock time (real time).
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "player/core/track.h"

namespace player {

// Track commands in the numbering the component uses.
enum class track_command : int {
    play = 1,
    next = 2,
    previous = 3,
    random = 5,
};

enum class stop_reason : int {
    user = 0,
    end_of_playlist = 1,
    starting_another = 2,
    shutting_down = 3,
};

enum class play_state { stopped, playing, paused };

struct playback_event {
    enum class kind { starting, new_track, stop, seek, pause, time, volume };
    kind what;
    int command = 0;        // starting: the track command
    bool flag = false;      // starting: paused; pause: paused state
    std::size_t index = 0;  // new_track: playlist index
    stop_reason reason = stop_reason::user;
    double seconds = 0;     // seek and time: position; volume: dB
};

class playback_engine {
public:
    using listener = std::function<void(const playback_event&)>;

    static constexpr float volume_step_db = 0.5f;
    static constexpr float volume_min_db = -100.0f;

    explicit playback_engine(std::uint32_t random_seed = 1);

    // Listeners are called in the order added. Events raised while listeners
    // run (a component calling back into playback) are queued and delivered
    // after the current one, so every listener sees events in order and the
    // engine's state is always settled when a listener looks at it.
    void add_listener(listener l);

    // Playlist.
    std::size_t add(track t);
    void clear();  // stops playback first
    const std::vector<track>& playlist() const { return playlist_; }

    // Playback control, as the player's buttons or a component would ask.
    // Returns false when there is nothing to play.
    bool start(track_command cmd, bool paused);
    bool play_index(std::size_t index, bool paused = false);
    void stop(stop_reason reason = stop_reason::user);
    void pause(bool paused);
    void toggle_pause() { pause(state_ != play_state::paused); }
    void seek_ms(std::int64_t position_ms);
    void seek_delta_ms(std::int64_t delta_ms);
    void volume_up();
    void volume_down();
    void volume_mute_toggle();
    void set_volume(float db);

    // Moves playback time forward by the given milliseconds: a time event at
    // each whole second crossed, the next track at a track's end, a stop at
    // the playlist's end. Nothing happens unless playing.
    void advance(std::int64_t ms);

    play_state state() const { return state_; }
    bool is_playing() const { return state_ != play_state::stopped; }
    bool is_paused() const { return state_ == play_state::paused; }
    std::optional<std::size_t> playing_index() const;
    const track* now_playing() const;
    std::int64_t position_ms() const { return position_ms_; }
    float volume() const { return volume_db_; }
    bool muted() const { return muted_; }
    // What listeners hear as the volume: the minimum while muted.
    float effective_volume() const { return muted_ ? volume_min_db : volume_db_; }

private:
    void begin_track(std::size_t index, int command, bool paused, bool announce_start);
    void end_of_track();
    void emit(playback_event e);
    std::size_t pick_random();

    std::vector<track> playlist_;
    std::vector<listener> listeners_;
    std::deque<playback_event> pending_;
    bool dispatching_ = false;

    play_state state_ = play_state::stopped;
    std::size_t current_ = 0;  // meaningful while not stopped; else the last played
    bool has_current_ = false;
    std::int64_t position_ms_ = 0;
    float volume_db_ = 0.0f;
    bool muted_ = false;
    std::uint32_t random_state_;
};

}  // namespace player
