// tavix-player: a stand-in for the media player, for running components
// under test and in demos. See player/README.md.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "player/core/output_log.h"
#include "player/core/scenario.h"
#include "player/host/options.h"
#include "player/host/session.h"
#include "player/win/stamp_clock.h"
#include "player/win/utf.h"
#include "player/win/win_platform.h"

namespace {

std::vector<std::string> arguments() {
    std::vector<std::string> args;
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    for (int i = 1; argv && i < argc; ++i) args.push_back(player::narrow(argv[i]));
    if (argv) LocalFree(argv);
    return args;
}

std::string program_folder() {
    wchar_t path[MAX_PATH * 2];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    std::wstring p(path, n);
    const std::size_t slash = p.find_last_of(L"\\/");
    return player::narrow(slash == std::wstring::npos ? std::wstring(L".") : p.substr(0, slash));
}

}  // namespace

int main() {
    // A harness reads these lines from a pipe: bytes as written, "\n" ends a line.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);

    player::player_options options;
    std::string error;
    if (!player::parse_options(arguments(), options, error)) {
        std::fprintf(stderr, "tavix-player: %s\n%s", error.c_str(), player::usage_text());
        return 2;
    }
    if (options.help) {
        std::fputs(player::usage_text(), stdout);
        return 0;
    }
    const std::string here = program_folder();
    if (options.components_dir.empty()) options.components_dir = here + "\\components";
    if (options.config_path.empty()) options.config_path = here + "\\tavix-player.cfg";
    if (options.no_config) options.config_path.clear();

    std::vector<player::command> commands;
    const bool interactive = options.scenario_path.empty() || options.scenario_path == "-";
    if (!interactive) {
        std::ifstream in(std::filesystem::u8path(options.scenario_path), std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "tavix-player: can't open scenario %s\n", options.scenario_path.c_str());
            return 2;
        }
        std::ostringstream text;
        text << in.rdbuf();
        std::vector<player::scenario_error> errors;
        commands = player::parse_scenario(text.str(), errors);
        if (!errors.empty()) {
            for (const auto& e : errors)
                std::fprintf(stderr, "%s:%d: %s\n", options.scenario_path.c_str(), e.line, e.message.c_str());
            return 2;
        }
    }

    player::output_log out(stdout, options.timestamps ? player::stamp_clock(player::performance_counter_us)
                                                      : player::stamp_clock());
    player::win_platform sys(out, options.components_dir);
    player::session_options so;
    so.config_path = options.config_path;
    so.seed = options.seed;
    so.realtime = options.realtime;
    so.show_queries = options.show_queries;
    so.echo_commands = options.echo;
    player::session run(out, sys, so);
    run.read_config();
    if (interactive) {
        sys.start_input();
        run.run_interactive();
    } else {
        run.run(commands);
    }
    std::fflush(stdout);
    // Leave without unloading: component windows and their classes stay
    // until the process ends, as they would in the player.
    const int status = run.failures() > 0 ? 1 : 0;
    std::fflush(stderr);
    ExitProcess(static_cast<UINT>(status));
}
