// A small component for testing the player: a start-up hook, a play
// callback that reports what it is told, a main-thread callback, persisted
// variables and (on Windows) a preferences page and a message-only window.
// Every report is a console line starting "test_component: ".
#pragma once

#include <cstdint>

#include "sdk/cfg_var.h"
#include "sdk/playback_control.h"

namespace test_component {

struct codes {
    std::uint8_t bytes[8];
};

// How many times on_init has run, over all runs of the player.
extern cfg_int_t<int> starts;
extern cfg_int_t<bool> enabled;
extern cfg_string label;
extern cfg_struct_t<codes> learned;

// The Windows part: the message window and the page. Nothing natively.
void platform_start();
void platform_stop();

// What the page's buttons and the message window ask of playback.
void press(int id);

}  // namespace test_component
