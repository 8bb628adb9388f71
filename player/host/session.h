// One run of the player: the engine, the configuration store, the services
// and the components, driven command by command from a scenario or from
// typed input. All of it runs on the main thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "player/core/config_store.h"
#include "player/core/output_log.h"
#include "player/core/playback_engine.h"
#include "player/core/scenario.h"
#include "player/host/component_host.h"
#include "player/host/platform.h"
#include "player/host/player_services.h"

namespace player {

struct session_options {
    std::string config_path;
    std::uint32_t seed = 1;
    bool realtime = false;
    bool show_queries = false;
    bool echo_commands = true;  // "scenario: <line>" before each command
};

class session {
public:
    session(output_log& out, platform& sys, session_options options);
    session(const session&) = delete;
    session& operator=(const session&) = delete;

    // Reads the configuration file; call once before anything else.
    void read_config();

    // Runs the commands in order, then quits if the scenario did not.
    void run(const std::vector<command>& commands);
    // Reads commands from input until "quit" or the end of input.
    void run_interactive();

    void execute(const command& c);
    // Runs waiting messages, due playback time and queued main-thread work.
    void settle();

    bool finished() const { return finished_; }
    // Failed expectations and commands that could not be carried out.
    int failures() const { return failures_; }

    playback_engine& engine() { return engine_; }
    config_store& store() { return store_; }
    component_host& host() { return host_; }
    player_services& services() { return services_; }

private:
    void quit();
    void load();
    void advance(std::int64_t ms);
    void tick_realtime();
    void run_main_thread_queue();
    // Runs the loop for `ms`; with `until_text`, only until a line after the
    // cursor holds it (true, and the cursor moves past that line).
    bool wait(std::int64_t ms, const std::string* until_text);
    std::int64_t ms_to_next_tick() const;
    void page_command(const command& c);
    void expect(const command& c);
    bool save_config();
    void announce(const playback_event& e);
    void fail(const command& c, const std::string& message);
    void check(const command& c, bool ok, const std::string& what, const std::string& actual);

    output_log& out_;
    platform& sys_;
    session_options options_;
    playback_engine engine_;
    config_store store_;
    player_services services_;
    component_host host_;

    bool loaded_ = false;
    bool finished_ = false;
    bool realtime_ = false;
    std::int64_t last_tick_ms_ = 0;
    std::size_t cursor_ = 0;  // output lines before this were matched already
    std::string open_page_;
    int failures_ = 0;
};

}  // namespace player
