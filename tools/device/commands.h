// The command language of the virtual device: one command per line, from a
// script file or from standard input.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/device/frame_decoder.h"

namespace tavix::device {

enum class CommandKind {
    nothing,      // blank line or comment
    press,        // press <button>
    send,         // send <hex bytes>
    greet,        // greet: send "OK" now
    wait,         // wait <ms>
    wait_open,    // wait-open [ms]
    wait_closed,  // wait-closed [ms]
    wait_frame,   // wait-frame <any|quit|track|time> [ms]
    unplug,
    plug,
    echo,         // echo <text>
    status,
    buttons,
    quit,
};

inline constexpr unsigned default_wait_timeout_ms = 10000;

struct Command {
    CommandKind kind = CommandKind::nothing;
    std::string name;                   // the command word as written
    std::string button;                 // press
    std::vector<std::uint8_t> bytes;    // press, send
    unsigned ms = 0;                    // wait; timeout of the wait-* commands, 0 = none
    std::optional<FrameKind> frame;     // wait-frame; empty = any frame
    std::string text;                   // echo
};

struct ParsedCommand {
    bool ok = false;
    Command command;
    std::string error;
};

ParsedCommand parse_command(std::string_view line);

}  // namespace tavix::device
