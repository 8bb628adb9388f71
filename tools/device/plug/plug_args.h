// Command line of tavix-plug, the helper that registers fake tavix devices in
// a Wine prefix.  Plain text in, so it builds and is tested natively too.
#pragma once

#include <string>
#include <vector>

namespace tavix::plug {

inline constexpr const char* default_hardware_id = "USB\\VID_1FC9&PID_400F&REV_0100";

enum class Action { add, remove, list, help };

struct PlugCommand {
    Action action = Action::help;
    std::string port;                        // add, remove; empty on add: no "PortName" value
    std::vector<std::string> hardware_ids;   // add: the multi-string, first id first
    bool replace = false;                    // add: remove devices on the same port first
};

struct ParsedPlug {
    bool ok = false;
    PlugCommand command;
    std::string error;
};

// args excludes the program name.
ParsedPlug parse_plug_args(const std::vector<std::string>& args);

const char* plug_usage();

}  // namespace tavix::plug
