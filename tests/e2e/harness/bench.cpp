#include "bench.h"

#include <dirent.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "cases.h"

namespace e2e {

double percentile(std::vector<double> samples, double p) {
    if (samples.empty()) return 0;
    std::sort(samples.begin(), samples.end());
    const double rank = std::ceil(p / 100.0 * static_cast<double>(samples.size()));
    const std::size_t index = rank < 1 ? 0 : static_cast<std::size_t>(rank) - 1;
    return samples[std::min(index, samples.size() - 1)];
}

namespace {

// The wineserver serving `prefix`: the one whose environment names it.
pid_t wineserver_of(const std::string& prefix) {
    DIR* proc = opendir("/proc");
    if (!proc) return -1;
    pid_t found = -1;
    while (dirent* e = readdir(proc)) {
        const pid_t pid = static_cast<pid_t>(std::atoi(e->d_name));
        if (pid <= 0) continue;
        std::ifstream comm("/proc/" + std::string(e->d_name) + "/comm");
        std::string name;
        std::getline(comm, name);
        if (name.rfind("wineserver", 0) != 0) continue;
        std::ifstream env("/proc/" + std::string(e->d_name) + "/environ", std::ios::binary);
        std::string entry;
        while (std::getline(env, entry, '\0'))
            if (entry == "WINEPREFIX=" + prefix) found = pid;
    }
    closedir(proc);
    return found;
}

struct sample_set {
    std::vector<double> call;          // press -> playback call, the player's stamp
    std::vector<double> call_arrival;  // press -> the call line read by the harness
    std::vector<double> relay;         // the call line: the player's stamp -> read by the harness
    std::vector<double> frame;         // press -> time frame decoded by the device
    int call_before_sent = 0;          // the player's stamp earlier than the device's
    double earliest_call = 0;          // the most negative press -> call
};

void report(const char* what, const std::vector<double>& v) {
    double sum = 0;
    for (double x : v) sum += x;
    std::printf("  %-44s p50 %7.2f ms   p99 %7.2f ms   mean %7.2f ms   max %7.2f ms   (n=%zu)\n", what,
                percentile(v, 50), percentile(v, 99), v.empty() ? 0 : sum / static_cast<double>(v.size()),
                v.empty() ? 0 : *std::max_element(v.begin(), v.end()), v.size());
}

}  // namespace

void run_bench(rig& r, const bench_options& options) {
    const std::string config = r.where().workdir + "/bench.cfg";
    write_settings(r, config, true);
    start_linked(r, config, {R"(playlist add "C:\Music\Bench\01 Long.flac" 36000 title=Long album=Bench)"},
                 {"--timestamps"});
    r.player("play 1");
    r.player("seek 3600");
    r.wait(side::device, "frame time 3600");
    r.sync(side::player);

    // Seek forward and back by turns: each press makes one playback call
    // (seek_delta) and one time frame (the seek), and the position stays put.
    // Neither starts the repeat delay, so presses follow each other at once;
    // each waits for the previous one's frame so that every code arrives on
    // its own.
    sample_set samples;
    const int total = options.warmup + options.presses;
    int expected_time = 3600;
    for (int i = 0; i < total; ++i) {
        const bool forward = i % 2 == 0;
        const std::string button = forward ? "forward" : "back";
        expected_time += forward ? 5 : -5;
        r.mark(side::device);
        r.mark(side::player);
        r.device("press " + button);
        const double sent = r.wait(side::device, "sent " + button, 5000).stamp_ms;
        const line called = r.wait(side::player, forward ? "call: seek_delta 5" : "call: seek_delta -5", 5000);
        if (called.stamp_ms < 0) throw failure("the player's call line has no stamp: " + called.text);
        // Same clock: a line cannot be read before it was written. If it
        // seems to be, the player's clock is not the device's.
        if (called.stamp_ms > called.arrived_ms + 0.001)
            throw failure("the player stamped its call line " + std::to_string(called.stamp_ms - called.arrived_ms) +
                          " ms after the harness read it: its clock is not CLOCK_MONOTONIC_RAW");
        const line frame = r.wait(side::device, "frame time ", 5000);
        if (frame.text != "frame time " + std::to_string(expected_time))
            throw failure("press " + std::to_string(i) + ": " + frame.text + ", wanted time " + std::to_string(expected_time));
        if (i < options.warmup) continue;
        samples.call.push_back(called.stamp_ms - sent);
        samples.call_arrival.push_back(called.arrived_ms - sent);
        samples.relay.push_back(called.arrived_ms - called.stamp_ms);
        if (called.stamp_ms < sent) {
            ++samples.call_before_sent;
            samples.earliest_call = std::min(samples.earliest_call, called.stamp_ms - sent);
        }
        samples.frame.push_back(frame.stamp_ms - sent);
    }

    // Idle with the port open: nothing plays, nothing arrives.
    r.player("stop");
    r.wait(side::device, "frame time 0");
    r.pump_for(1000);
    const pid_t player = r.player_pid();
    const pid_t server = wineserver_of(r.where().prefix);
    const double player_before = cpu_ms(player);
    const double server_before = server > 0 ? cpu_ms(server) : -1;
    const double at_before = now_ms();
    r.pump_for(options.idle_seconds * 1000);
    const double player_after = cpu_ms(player);
    const double server_after = server > 0 ? cpu_ms(server) : -1;
    const double at_after = now_ms();
    const double wall = at_after - at_before;

    std::printf("\ntavix end-to-end benchmark: %d presses (seek forward and back by turns) after %d warm-up presses\n",
                options.presses, options.warmup);
    report("remote press -> playback call:", samples.call);
    report("remote press -> call line at the harness:", samples.call_arrival);
    report("call line: player's stamp -> harness read:", samples.relay);
    report("remote press -> time frame at the device:", samples.frame);
    std::printf("  %-44s %7.0f ms CPU in %.1f s (%.2f %% of one core)\n", "player, idle with the port open:",
                player_after - player_before, wall / 1000, (player_after - player_before) / wall * 100);
    if (server_before >= 0 && server_after >= 0)
        std::printf("  %-44s %7.0f ms CPU in %.1f s (%.2f %% of one core)\n", "its wineserver, same time:",
                    server_after - server_before, wall / 1000, (server_after - server_before) / wall * 100);
    std::printf("\n  press: tavix-device's stamp of its \"sent\" line, taken after the code was written to the pty\n"
                "  playback call: tavix-player's stamp (--timestamps, QueryPerformanceCounter) of its \"call:\" line\n"
                "  call line at the harness: the harness's stamp of that line as it read it from the pipe\n"
                "    (after the player's stdout and cmake/wine-run's relay)\n"
                "  time frame: tavix-device's stamp of its \"frame time\" line\n"
                "  clock: CLOCK_MONOTONIC_RAW for all (Wine's QueryPerformanceCounter counts it)\n");
    if (samples.call_before_sent > 0)
        std::printf("  %d call(s) stamped before the device's \"sent\", by up to %.3f ms: the device reads its\n"
                    "    clock after writing the code, so a player quicker than that stamps first; counted as\n"
                    "    they are\n",
                    samples.call_before_sent, -samples.earliest_call);
    std::fflush(stdout);
    r.quit_player();
    r.stop_device();
}

}  // namespace e2e
