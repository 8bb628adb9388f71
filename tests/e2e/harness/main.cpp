// tavix-e2e: runs the virtual tavix and the stand-in player hosting
// foo_tavix together, for the end-to-end tests, the benchmark and the demo.
// See tests/e2e/README.md.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench.h"
#include "cases.h"
#include "rig.h"
#include "script.h"

namespace {

const char usage[] =
    "usage: tavix-e2e [options] list\n"
    "       tavix-e2e [options] run CASE...\n"
    "       tavix-e2e [options] bench [--presses N] [--idle S]\n"
    "       tavix-e2e [options] script FILE\n"
    "options (all paths are required but --shim):\n"
    "  --device PATH      host-built tavix-device\n"
    "  --plug PATH        tavix-plug.exe\n"
    "  --player PATH      tavix-player.exe\n"
    "  --components DIR   folder holding foo_tavix.dll\n"
    "  --wine-run PATH    cmake/wine-run\n"
    "  --prefix DIR       the Wine prefix to run in\n"
    "  --shim PATH        modem-status shim preloaded into the player's Wine\n"
    "  --workdir DIR      scratch folder (settings files)\n"
    "  --time-limit S     give up a case after S seconds (default 240)\n"
    "Exit status: 0 all passed, 1 a check failed, 2 bad usage.\n";

int bad_usage(const std::string& why) {
    std::fprintf(stderr, "tavix-e2e: %s\n%s", why.c_str(), usage);
    return 2;
}

std::string absolute(const std::string& path) {
    if (path.empty() || path[0] == '/') return path;
    char* cwd = getcwd(nullptr, 0);
    std::string out = std::string(cwd ? cwd : ".") + "/" + path;
    std::free(cwd);
    return out;
}

// mkdir -p
void make_folders(const std::string& path) {
    for (std::size_t at = 1; at <= path.size(); ++at)
        if (at == path.size() || path[at] == '/') mkdir(path.substr(0, at).c_str(), 0777);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace e2e;
    paths where;
    double time_limit_s = 240;
    bench_options bench;
    std::vector<std::string> words;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= argc) return false;
            into = argv[++i];
            return true;
        };
        std::string number;
        bool ok = true;
        if (a == "--device") ok = value(where.device);
        else if (a == "--plug") ok = value(where.plug);
        else if (a == "--player") ok = value(where.player);
        else if (a == "--components") ok = value(where.components);
        else if (a == "--wine-run") ok = value(where.wine_run);
        else if (a == "--prefix") ok = value(where.prefix);
        else if (a == "--shim") ok = value(where.shim);
        else if (a == "--workdir") ok = value(where.workdir);
        else if (a == "--time-limit") {
            ok = value(number) && (time_limit_s = std::atof(number.c_str())) > 0;
        } else if (a == "--presses") {
            ok = value(number) && (bench.presses = std::atoi(number.c_str())) > 0;
        } else if (a == "--idle") {
            ok = value(number) && (bench.idle_seconds = std::atoi(number.c_str())) > 0;
        } else if (a == "--help" || a == "-h") {
            std::fputs(usage, stdout);
            return 0;
        } else if (a.size() > 1 && a[0] == '-') {
            return bad_usage("unknown option " + a);
        } else {
            words.push_back(a);
        }
        if (!ok) return bad_usage(a + " needs a valid value");
    }
    if (words.empty()) return bad_usage("what to do?");
    const std::string what = words[0];
    if (what == "list") {
        for (const auto& c : test_cases()) std::printf("%-14s %s\n", c.name, c.what);
        return 0;
    }
    for (std::string* p : {&where.device, &where.plug, &where.player, &where.components, &where.wine_run,
                           &where.prefix, &where.workdir}) {
        if (p->empty()) return bad_usage("every path option is needed");
        *p = absolute(*p);
    }
    if (!where.shim.empty()) where.shim = absolute(where.shim);
    make_folders(where.workdir);
    install_interrupt_handlers();

    if (what == "run") {
        if (words.size() < 2) return bad_usage("run which case?");
        int failed = 0;
        for (std::size_t i = 1; i < words.size(); ++i) {
            const test_case* found = nullptr;
            for (const auto& c : test_cases())
                if (words[i] == c.name) found = &c;
            if (!found) return bad_usage("no case " + words[i]);
            std::printf("==== case %s: %s\n", found->name, found->what);
            std::fflush(stdout);
            try {
                rig r(where, echo_style::test, time_limit_s * 1000);
                found->run(r);
                std::printf("==== case %s: passed\n", found->name);
            } catch (const failure& f) {
                ++failed;
                std::printf("==== case %s: FAILED: %s\n", found->name, f.what());
            }
            std::fflush(stdout);
        }
        return failed == 0 ? 0 : 1;
    }
    if (what == "bench") {
        try {
            rig r(where, echo_style::none, 900 * 1000.0);
            run_bench(r, bench);
        } catch (const failure& f) {
            std::printf("benchmark FAILED: %s\n", f.what());
            return 1;
        }
        return 0;
    }
    if (what == "script") {
        if (words.size() != 2) return bad_usage("script takes one file");
        std::ifstream in(words[1], std::ios::binary);
        if (!in) return bad_usage("cannot read " + words[1]);
        std::ostringstream text;
        text << in.rdbuf();
        std::vector<std::string> errors;
        const std::vector<script_step> steps = parse_script(text.str(), errors);
        if (!errors.empty()) {
            for (const auto& e : errors) std::fprintf(stderr, "%s: %s\n", words[1].c_str(), e.c_str());
            return 2;
        }
        try {
            rig r(where, echo_style::demo, time_limit_s * 1000);
            r.remove_stale_registrations();
            r.start_device();
            const std::string config = where.workdir + "/tavix-player.cfg";
            std::remove(config.c_str());
            r.start_player(config);
            run_script(r, steps);
            r.stop_device();
        } catch (const failure& f) {
            std::printf("\nthe session FAILED: %s\n", f.what());
            return 1;
        }
        return 0;
    }
    return bad_usage("unknown command " + what);
}
