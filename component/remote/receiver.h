// The command receiver: slides the device's bytes through a small window,
// recognises the "OK" greeting once per opening of the port and turns learned
// remote codes into playback commands. Main thread only; never blocks.
#pragma once

#include <cstddef>
#include <cstdint>

// The bytes received and not yet consumed. The held bytes stand at the
// front, oldest first; every storage byte at or after `count` is zero.
struct receive_window_t {
    std::uint8_t storage[8];
    unsigned count;     // bytes held
    unsigned capacity;  // most bytes held at once, 2..8; set at each opening
};

extern receive_window_t receive_window;
// false after each opening of the port, true once "OK" was recognised.
extern bool greeting_seen;
// Tick count of the last suppressing command or capture; 0 after each opening.
extern std::uint32_t last_command_tick;

// Empties the window.
void reset_receive_window();

// Receiver state for a newly opened link: the window's capacity follows the
// code length (1..8) but holds at least the two greeting bytes; the window
// is emptied, the repeat delay and the greeting forgotten.
void reset_receiver_for_new_link();

// Where the receiver gets its bytes and time, and what learning runs when a
// whole code has been collected. The Windows edge wires these to the serial
// port and GetTickCount; tests wire them to fakes.
struct receiver_io {
    void* context;
    // Reads one waiting byte into *out; false when none was delivered
    // (nothing waiting, port closed or read failed).
    bool (*read_byte)(void* context, std::uint8_t* out);
    // Milliseconds, wrapping at 2^32.
    std::uint32_t (*tick_count)(void* context);
    // Key learning's capture; nullptr while there is none.
    void (*capture)(void* context);
};

// Whether a port notification's wParam asks for reading: only when the event
// bits (low word) are exactly "data received". Line errors (high word) do
// not matter.
bool is_receive_notification(std::uintptr_t wparam);

// Handles one data-received notification: reads the waiting bytes one at a
// time until a byte completes the greeting or a command, or none is left.
// Looks up the player's playback_control first; that lookup's
// exception_service_not_found passes to the caller.
void handle_receive(const receiver_io& io);
