#include "component/remote/receiver.h"

#include <cstring>

#include "component/host/settings.h"
#include "component/remote/learning_state.h"
#include "sdk/console.h"
#include "sdk/playback_control.h"
#include "sdk/service.h"

receive_window_t receive_window = {{0}, 0, 8};
bool greeting_seen = false;
std::uint32_t last_command_tick = 0;

namespace {

constexpr unsigned window_size = sizeof receive_window.storage;

// What a matched slot does on the player.
enum class action { play, stop, next, random, previous, seek_back, seek_forward, volume_up, volume_down, pause, mute };

struct command {
    ircode_slot slot;
    const char* message;
    action what;
    bool suppresses;  // whether codes are ignored for the repeat delay afterwards
};

// In matching order: the first slot equal to the window wins.
constexpr command commands[] = {
    {ircode_play, "foo_tavix: play command received", action::play, true},
    {ircode_stop, "foo_tavix: stop command received", action::stop, true},
    {ircode_next, "foo_tavix: next track command received", action::next, true},
    {ircode_next_random, "foo_tavix: next random track command received", action::random, true},
    {ircode_previous, "foo_tavix: previous track command received", action::previous, true},
    {ircode_seek_backward, "foo_tavix: seek backward command received", action::seek_back, false},
    {ircode_seek_forward, "foo_tavix: seek forward command received", action::seek_forward, false},
    {ircode_volume_up, "foo_tavix: volume up command received", action::volume_up, false},
    {ircode_volume_down, "foo_tavix: volume down command received", action::volume_down, false},
    {ircode_pause, "foo_tavix: pause command received", action::pause, true},
    {ircode_mute, "foo_tavix: mute command received", action::mute, true},
};

// The window's capacity as used: whatever was stored there, never past the storage.
unsigned held_capacity() {
    unsigned capacity = receive_window.capacity;
    if (capacity < 1) return 1;
    return capacity > window_size ? window_size : capacity;
}

void append_byte(std::uint8_t byte) {
    const unsigned capacity = held_capacity();
    unsigned count = receive_window.count > window_size ? window_size : receive_window.count;
    if (count >= capacity) {
        // Keep the newest capacity - 1 bytes at the front, zeros behind them.
        const unsigned keep = capacity - 1;
        std::memmove(receive_window.storage, receive_window.storage + (count - keep), keep);
        std::memset(receive_window.storage + keep, 0, window_size - keep);
        count = keep;
    }
    receive_window.storage[count] = byte;
    receive_window.count = count + 1;
}

// The first command whose slot equals the window over the code length.
const command* match_window() {
    const std::size_t length = effective_code_length();
    const t_ircodes& table = cfg_ircodes;
    for (const command& c : commands)
        if (std::memcmp(receive_window.storage, table.codes[c.slot], length) == 0) return &c;
    return nullptr;
}

void run(const command& c, playback_control& player) {
    switch (c.what) {
    case action::play:
        // Play on a paused player resumes it instead of starting over.
        if (player.is_paused())
            player.pause(!player.is_paused());
        else
            player.start(playback_control::track_command_play, false);
        break;
    case action::stop: player.stop(); break;
    case action::next: player.start(playback_control::track_command_next, false); break;
    case action::random: player.start(playback_control::track_command_rand, false); break;
    case action::previous: player.start(playback_control::track_command_prev, false); break;
    case action::seek_back: player.playback_seek_delta(-5.0); break;
    case action::seek_forward: player.playback_seek_delta(5.0); break;
    case action::volume_up: player.volume_up(); break;
    case action::volume_down: player.volume_down(); break;
    case action::pause: player.pause(!player.is_paused()); break;
    case action::mute: player.volume_mute_toggle(); break;
    }
}

bool greeting_in_window() { return receive_window.storage[0] == 'O' && receive_window.storage[1] == 'K'; }

}  // namespace

void reset_receive_window() {
    // The whole storage, not only the first `capacity` bytes: a capacity
    // lowered since the last reset must not leave old bytes behind the count.
    std::memset(receive_window.storage, 0, window_size);
    receive_window.count = 0;
}

void reset_receiver_for_new_link() {
    std::size_t length = effective_code_length();
    receive_window.capacity = static_cast<unsigned>(length < 2 ? 2 : length);
    reset_receive_window();
    last_command_tick = 0;
    greeting_seen = false;
}

bool is_receive_notification(std::uintptr_t wparam) { return (wparam & 0xFFFFu) == 0x0001u; }

void handle_receive(const receiver_io& io) {
    service_ptr_t<playback_control> player = standard_api_create_t<playback_control>();

    std::uint8_t byte = 0;
    while (io.read_byte(io.context, &byte)) {
        append_byte(byte);
        if (learning_state != 0) continue;  // learning only collects

        const std::uint32_t now = io.tick_count(io.context);
        if (static_cast<std::uint32_t>(now - last_command_tick) <= effective_repeat_delay()) continue;

        if (!greeting_seen && greeting_in_window()) {
            greeting_seen = true;
            console::print("foo_tavix: OK received");
            reset_receive_window();
            break;
        }

        const command* c = match_window();
        if (!c) continue;
        console::print(c->message);
        run(*c, *player);
        reset_receive_window();
        last_command_tick = c->suppresses ? io.tick_count(io.context) : 0;
        break;
    }

    if (learning_state != 0 && receive_window.count == effective_code_length() && io.capture)
        io.capture(io.context);
}
