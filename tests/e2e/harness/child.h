// A program the harness runs: standard streams on pipes, in a process group
// of its own, so that whatever it starts (wine-run, the Wine loader) ends
// with it.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

namespace e2e {

struct launch {
    std::vector<std::string> argv;
    std::vector<std::pair<std::string, std::string>> set_env;
    std::vector<std::string> unset_env;
};

class child {
public:
    child() = default;
    ~child();
    child(const child&) = delete;
    child& operator=(const child&) = delete;

    // Starts the program; false with a message when it cannot be started.
    bool start(const launch& how, std::string& error);

    pid_t pid() const { return pid_; }
    int out_fd() const { return out_; }
    int err_fd() const { return err_; }

    // Writes one line to its standard input; false once that is closed.
    bool send(const std::string& line);
    void close_input();

    // Reaps it without waiting; true while it runs.
    bool running();
    // Waits for its end for at most timeout_ms, reaping it.
    bool wait_exit(int timeout_ms);
    // Exit code once ended (-1 when a signal ended it or it never ran).
    int exit_code() const { return exit_code_; }
    int exit_signal() const { return exit_signal_; }

    // To the whole process group.
    void signal_group(int sig);
    // Asks politely (SIGTERM), then SIGKILL; always reaps.
    void stop(int grace_ms);

    // Closes the output pipes once nothing more is wanted from them.
    void close_output();

private:
    pid_t pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    int err_ = -1;
    bool reaped_ = true;
    int exit_code_ = -1;
    int exit_signal_ = 0;
};

// Runs a program to its end (bounded by timeout_ms) and gives back its
// standard output; false when it could not run, timed out or failed.
bool run_to_end(const launch& how, int timeout_ms, std::string& output, std::string& error);

// Milliseconds of CLOCK_MONOTONIC_RAW: the clock tavix-device stamps its lines
// with, so arrival times here compare directly with its stamps.
double now_ms();

// CPU time (user + system) a process has used so far, in milliseconds; -1 if
// it is gone.
double cpu_ms(pid_t pid);

// The process `root` or the first of its descendants whose command name
// starts with `name` (as /proc/PID/comm shows it: at most 15 characters);
// -1 if there is none. A program started through a wrapper script (wine-run)
// may run as the wrapper's child rather than in its place.
pid_t find_process(pid_t root, const std::string& name);

}  // namespace e2e
