// Cost of the display's per-track work: building and scrambling the 135-byte
// track frame, and converting a full 255-byte text to Windows-1251.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "component/display/frames.h"
#include "component/display/track_text.h"

namespace {

void BM_BuildTrackFrame(benchmark::State& state) {
    const std::string album(100, '\xC0');
    const std::string title(40, 'T');
    track_frame_input input{3600, 7, 120, album.c_str(), title.c_str()};
    for (auto _ : state) {
        frame_view frame = build_track_frame(input);
        benchmark::DoNotOptimize(frame.bytes);
        benchmark::ClobberMemory();
        ++input.position;
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * track_frame_size);
}
BENCHMARK(BM_BuildTrackFrame);

std::string text_of(int kind) {
    std::string text;
    while (text.size() < 255) {
        switch (kind) {
            case 0: text += 'a'; break;                                        // ASCII
            case 1: text += text.size() == 254 ? "a" : "\xD0\xAF"; break;      // Cyrillic
            default: text += text.size() >= 252 ? "a" : "\xE2\x82\xAC"; break;  // three-byte
        }
    }
    return text;
}

// Each run converts a fresh copy (the conversion works in place); the copy
// alone is measured as the baseline.
void BM_Transliterate255(benchmark::State& state) {
    const std::string source = text_of(static_cast<int>(state.range(0)));
    char text[track_text_size];
    for (auto _ : state) {
        std::memcpy(text, source.c_str(), source.size() + 1);
        benchmark::ClobberMemory();
        if (state.range(1) != 0) transliterate_cp1251(text);
        benchmark::DoNotOptimize(text);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 255);
}
BENCHMARK(BM_Transliterate255)
    ->ArgNames({"kind", "convert"})
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({2, 1});

}  // namespace

BENCHMARK_MAIN();
