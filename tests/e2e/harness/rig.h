// The virtual tavix and the stand-in player run together: both fed through
// their standard input, both read line by line as they print, every line
// stamped on arrival. Checks wait with time limits and throw `failure`.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "child.h"

namespace e2e {

struct failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Where the programs are; filled from the command line.
struct paths {
    std::string device;      // host-built tavix-device
    std::string plug;        // tavix-plug.exe
    std::string player;      // tavix-player.exe
    std::string components;  // folder holding foo_tavix.dll (and nothing else)
    std::string wine_run;    // cmake/wine-run
    std::string prefix;      // the Wine prefix
    std::string shim;        // modem-status shim, preloaded into the player's Wine only
    std::string workdir;     // scratch folder of this run
};

struct line {
    double arrived_ms = 0;  // CLOCK_MONOTONIC_RAW when the harness read it
    double stamp_ms = -1;   // the program's own stamp (its --timestamps), else -1
    std::string text;       // without the stamp
};

// One program's output, with the position the next search starts at.
struct transcript {
    std::vector<line> lines;
    std::size_t cursor = 0;
};

enum class echo_style {
    test,  // "  12.345 player | text" for every line
    demo,  // "player | text", quiet lines left out
    none,
};

enum class side { player, device };

class rig {
public:
    rig(paths where, echo_style echo, double time_limit_ms);
    ~rig();
    rig(const rig&) = delete;
    rig& operator=(const rig&) = delete;

    const paths& where() const { return paths_; }

    // ---- the device ----
    // Plugs the virtual tavix in (registered in the prefix); returns its COM name.
    std::string start_device(const std::vector<std::string>& extra = {});
    void device(const std::string& command);
    const std::string& port() const { return port_; }
    // The remote's buttons as the device names them, with their codes.
    const std::map<std::string, std::vector<unsigned char>>& buttons();
    // Ends the device (it unplugs and unregisters itself); checks its status.
    void stop_device();

    // ---- the player ----
    // Starts tavix-player reading commands from its input; config empty: --no-config.
    // With "--timestamps" among `extra` its lines' stamps go into stamp_ms.
    void start_player(const std::string& config, const std::vector<std::string>& extra = {});
    void player(const std::string& command);
    // The player's own process (the Windows program under Wine), for its CPU time.
    pid_t player_pid() const;
    // `quit`, then the player's end with status 0, and the device's side of
    // it: the port closed with the quit frame as the last frame.
    void quit_player();

    // ---- output ----
    transcript& of(side s) { return s == side::player ? player_log_ : device_log_; }
    // From here on: the next wait looks only at lines that come after now.
    std::size_t mark(side s) {
        transcript& t = of(s);
        t.cursor = t.lines.size();
        return t.cursor;
    }
    // Waits for a line holding `text` after the cursor; moves the cursor past it.
    line wait(side s, const std::string& text, int timeout_ms = 10000);
    // Index of the next line holding `text` from `from` on, if already there.
    std::ptrdiff_t find(side s, const std::string& text, std::size_t from) const;
    // Lines holding `text` in [from, to).
    int count(side s, const std::string& text, std::size_t from, std::size_t to = SIZE_MAX) const;
    // All commands sent so far have been carried out (an echo marker came back).
    void sync(side s, int timeout_ms = 10000);
    // Reads output for this long.
    void pump_for(int ms);
    // One round of reading: waits at most timeout_ms for output.
    void pump(int timeout_ms);
    // A player expectation (`expect ...`) that must hold.
    void expect(const std::string& what);

    // Lines that mean something went wrong fail the run at once, except
    // while a check allows them.
    void allow_errors(bool allowed) { errors_allowed_ = allowed; }

    // Removes tavix registrations that no running device owns (left by a
    // run that was killed), so that discovery sees only this run's device.
    void remove_stale_registrations();

    // Runs a Windows program of the prefix to its end (tavix-plug).
    std::string run_wine(const std::vector<std::string>& args, int timeout_ms);

private:
    void read_stream(int fd, std::string& pending, side s, bool is_err);
    // Once a program has ended: takes what it left in its pipes and stops
    // watching them (Wine helpers it started may hold them open for long).
    void finish_output(child& c);
    void add_line(side s, bool is_err, std::string text);
    void check_time();

    paths paths_;
    echo_style echo_;
    double started_ms_;
    double deadline_ms_;
    std::unique_ptr<child> device_;
    std::unique_ptr<child> player_;
    std::string device_out_, device_err_, player_out_, player_err_;
    transcript device_log_, player_log_;
    std::string port_;
    std::map<std::string, std::vector<unsigned char>> buttons_;
    bool player_stamps_ = false;
    bool errors_allowed_ = false;
    std::string fatal_;
    int markers_ = 0;
};

// "20 DF 40 BF" for bytes.
std::string hex_spaced(const std::vector<unsigned char>& bytes);
// "20DF40BF" for bytes (the player's settings file).
std::string hex_packed(const std::vector<unsigned char>& bytes);

// Set by SIGINT/SIGTERM; the next wait throws, so every program is ended.
void install_interrupt_handlers();

}  // namespace e2e
