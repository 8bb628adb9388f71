// Command-line options of tavix-device.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tavix::device {

inline constexpr const char* default_hardware_id = "USB\\VID_1FC9&PID_400F&REV_0100";

struct Options {
    std::string prefix;                 // Wine prefix holding dosdevices/
    std::string port = "auto";          // "COM7", or "auto"
    bool force = false;                 // take over an existing link of that name
    bool register_device = true;
    std::string plug_exe;               // tavix-plug.exe
    std::string wine = "wine";
    std::string hardware_id = default_hardware_id;
    std::string script;                 // empty: commands from standard input
    bool stay = false;
    bool raw = false;
    bool timestamps = false;
    bool display = true;
    bool greeting = true;
    unsigned greeting_delay_ms = 0;
    bool echo = false;
    bool list_buttons = false;
    bool help = false;
};

struct ParsedOptions {
    bool ok = false;
    Options options;
    std::string error;
};

// Environment lookup: the variable's value, or nullptr when unset.
using EnvLookup = std::function<const char*(const char*)>;

// args excludes the program name.  WINEPREFIX, WINE and TAVIX_PLUG give
// defaults for --prefix, --wine and --plug.
ParsedOptions parse_options(const std::vector<std::string>& args, const EnvLookup& env);

// "COM7" or "com7" with a number from 1 to 255: the number, else 0.
int com_port_number(const std::string& name);

const char* usage_text();

}  // namespace tavix::device
