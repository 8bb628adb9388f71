// The eleven commands as the component knows them: which remote button the
// virtual tavix sends for each, the learn button on the preferences page,
// the slot of the code table, what the console and the playback engine show.
#pragma once

#include <string>
#include <vector>

#include "rig.h"

namespace e2e {

struct remote_command {
    const char* button;    // tavix-device's name for the button
    int slot;              // slot of the 88-byte code table
    int learn_id;          // learn button on the page
    const char* learning;  // console line when its learning starts
    const char* received;  // console line when it acts
    const char* call;      // the playback call it makes
    bool suppresses;       // starts the repeat delay
};

// In the order of the page's learn buttons, top to bottom.
inline const std::vector<remote_command>& remote_commands() {
    static const std::vector<remote_command> table = {
        {"play", 0, 1011, "foo_tavix: learning play button...", "foo_tavix: play command received",
         "call: start 1 paused=0", true},
        {"pause", 1, 1012, "foo_tavix: learning pause button...", "foo_tavix: pause command received", "call: pause 1",
         true},
        {"stop", 2, 1013, "foo_tavix: learning stop button...", "foo_tavix: stop command received", "call: stop", true},
        {"previous", 4, 1014, "foo_tavix: learning previous track button...",
         "foo_tavix: previous track command received", "call: start 3 paused=0", true},
        {"next", 3, 1015, "foo_tavix: learning next track button...", "foo_tavix: next track command received",
         "call: start 2 paused=0", true},
        {"random", 5, 1016, "foo_tavix: learning next random track button...",
         "foo_tavix: next random track command received", "call: start 5 paused=0", true},
        {"back", 6, 1027, "foo_tavix: learning backward seek button...", "foo_tavix: seek backward command received",
         "call: seek_delta -5", false},
        {"forward", 7, 1026, "foo_tavix: learning forward seek button...", "foo_tavix: seek forward command received",
         "call: seek_delta 5", false},
        {"volup", 8, 1017, "foo_tavix: learning volume up button...", "foo_tavix: volume up command received",
         "call: volume_up", false},
        {"voldown", 9, 1018, "foo_tavix: learning volume down button...", "foo_tavix: volume down command received",
         "call: volume_down", false},
        {"mute", 10, 1019, "foo_tavix: learning mute button...", "foo_tavix: mute command received",
         "call: volume_mute_toggle", true},
    };
    return table;
}

inline const remote_command& command_of(const std::string& button) {
    for (const auto& c : remote_commands())
        if (button == c.button) return c;
    throw failure("no command for the button " + button);
}

// The persisted variables the tests look at, by GUID.
constexpr const char* enable_guid = "{F7047F33-A595-4B15-8AE1-70629E4F9C79}";
constexpr const char* codes_guid = "{CA0E104C-D972-4530-9071-957C2AB53719}";

// The code table with every command's code learned from the virtual remote
// (first 4 bytes of each slot, zero behind them).
inline std::vector<unsigned char> learned_table(rig& r) {
    std::vector<unsigned char> table(88, 0);
    for (const auto& c : remote_commands()) {
        const auto& code = r.buttons().at(c.button);
        for (std::size_t i = 0; i < code.size() && i < 8; ++i) table[static_cast<std::size_t>(c.slot) * 8 + i] = code[i];
    }
    return table;
}

}  // namespace e2e
