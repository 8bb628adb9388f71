// The player's command line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace player {

struct player_options {
    std::string components_dir;  // empty: "components" beside the program
    std::string config_path;     // empty: "tavix-player.cfg" beside the program
    bool no_config = false;      // settings live only for this run
    std::string scenario_path;   // empty or "-": commands from standard input
    std::uint32_t seed = 1;
    bool realtime = false;
    bool show_queries = false;
    bool echo = true;
    bool timestamps = false;     // every output line begins with its time
    bool help = false;
};

// false with a message for a bad command line.
bool parse_options(const std::vector<std::string>& args, player_options& out, std::string& error);

const char* usage_text();

}  // namespace player
