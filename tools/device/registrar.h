// Registers and removes the fake USB device in a Wine prefix by running
// tavix-plug.exe under Wine.
#pragma once

#include <string>
#include <vector>

namespace tavix::device {

struct Registrar {
    std::string wine;        // the loader, e.g. "wine" or a wrapper script
    std::string plug_exe;    // tavix-plug.exe
    std::string prefix;      // WINEPREFIX for the run
    unsigned timeout_ms = 180000;   // a fresh prefix is made on first use

    // Runs "<wine> <plug_exe> <args...>"; true when it exits with status 0.
    // output gets what it printed; error says why it failed.
    bool run(const std::vector<std::string>& args, std::string& output, std::string& error) const;
};

}  // namespace tavix::device
