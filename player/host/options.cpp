#include "player/host/options.h"

namespace player {

bool parse_options(const std::vector<std::string>& args, player_options& out, std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                error = a + " needs a value";
                return false;
            }
            into = args[++i];
            return true;
        };
        if (a == "--components") {
            if (!value(out.components_dir)) return false;
        } else if (a == "--config") {
            if (!value(out.config_path)) return false;
        } else if (a == "--no-config") {
            out.no_config = true;
        } else if (a == "--seed") {
            std::string text;
            if (!value(text)) return false;
            unsigned long long n = 0;
            for (char ch : text) {
                if (ch < '0' || ch > '9' || n > 0xFFFFFFFFull) {
                    error = "--seed takes a number up to 4294967295";
                    return false;
                }
                n = n * 10 + static_cast<unsigned>(ch - '0');
            }
            if (n > 0xFFFFFFFFull) {
                error = "--seed takes a number up to 4294967295";
                return false;
            }
            out.seed = static_cast<std::uint32_t>(n);
        } else if (a == "--realtime") {
            out.realtime = true;
        } else if (a == "--show-queries") {
            out.show_queries = true;
        } else if (a == "--no-echo") {
            out.echo = false;
        } else if (a == "--timestamps") {
            out.timestamps = true;
        } else if (a == "--help" || a == "-h") {
            out.help = true;
        } else if (a.size() > 1 && a[0] == '-' && a != "-") {
            error = "unknown option " + a;
            return false;
        } else if (!out.scenario_path.empty()) {
            error = "one scenario at a time (" + out.scenario_path + " and " + a + ")";
            return false;
        } else {
            out.scenario_path = a;
        }
    }
    return true;
}

const char* usage_text() {
    return "usage: tavix-player [options] [SCENARIO | -]\n"
           "Hosts the component libraries of a folder as the player does and runs\n"
           "SCENARIO, or reads commands from standard input (\"help\" lists them).\n"
           "  --components DIR   component libraries (default: components beside the program)\n"
           "  --config FILE      settings file (default: tavix-player.cfg beside the program)\n"
           "  --no-config        keep settings for this run only\n"
           "  --realtime         playback time follows the clock from the start\n"
           "  --seed N           seed of the random track choice (default 1)\n"
           "  --show-queries     print the questions components ask, too\n"
           "  --no-echo          don't print scenario lines before running them\n"
           "  --timestamps       begin every output line with the time it was written:\n"
           "                     QueryPerformanceCounter in ms, three decimals\n"
           "Exit status: 0 all went well, 1 an expectation or command failed,\n"
           "2 a bad command line or scenario.\n";
}

}  // namespace player
