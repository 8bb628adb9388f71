// The whole-system benchmark: remote press to playback call, remote press to
// the time frame back at the device, and the player's CPU time while idle.
#pragma once

#include "rig.h"

namespace e2e {

struct bench_options {
    int presses = 600;
    int warmup = 20;
    int idle_seconds = 10;
};

// Runs it and prints the report; throws `failure` when the system misbehaves.
void run_bench(rig& r, const bench_options& options);

// The nearest-rank percentile (p in 0..100) of unsorted samples.
double percentile(std::vector<double> samples, double p);

}  // namespace e2e
