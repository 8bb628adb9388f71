// A session script for the demo: commands to the player and the device,
// waits for their lines, and narration. One command a line:
//
//   say <text>               print a heading for what comes next
//   player <command>         a line for the player (its scenario language)
//   device <command>         a line for the device (press play, unplug, ...)
//   wait-player <ms> <text>  until a player line holds the text (else fail)
//   wait-device <ms> <text>  until a device line holds the text (else fail)
//   pause <ms>               let both run, printing what they print
//   expect <expectation>     a player `expect` that must hold
//   quit                     quit the player: its end, the quit frame last
//
// Blank lines and lines starting with # are skipped.
#pragma once

#include <string>
#include <vector>

#include "rig.h"

namespace e2e {

struct script_step {
    int line = 0;
    std::string verb;
    int ms = 0;
    std::string text;
};

// Parses a script; every bad line goes into `errors` as "line N: ...".
std::vector<script_step> parse_script(const std::string& text, std::vector<std::string>& errors);

// Runs the steps against a rig whose device and player are running.
void run_script(rig& r, const std::vector<script_step>& steps);

}  // namespace e2e
