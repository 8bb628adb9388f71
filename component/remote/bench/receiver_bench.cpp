// Receive handling per byte, with every slot of the code table learned.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "component/host/settings.h"
#include "component/remote/learning_state.h"
#include "component/remote/receiver.h"
#include "component/remote/tests/fake_playback.h"
#include "sdk/testing/fake_host.h"

namespace {

struct byte_source {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0, at = 0;
    std::uint32_t clock = 1000000;
    std::uint32_t clock_step = 0;  // ms added per tick read
};

bool read_byte(void* context, std::uint8_t* out) {
    auto* s = static_cast<byte_source*>(context);
    if (s->at == s->size) return false;
    *out = s->data[s->at++];
    return true;
}

std::uint32_t tick_count(void* context) {
    auto* s = static_cast<byte_source*>(context);
    s->clock += s->clock_step;
    return s->clock;
}

struct bench_world {
    fake_host host;
    fake_playback player;
    bench_world(int code_length) {
        host.keep_console_lines = false;
        player.keep_calls = false;
        host.set_service(&player);
        restore_default_settings();
        cfg_code_length = code_length;
        t_ircodes table;
        for (std::size_t slot = 0; slot < ircode_slot_count; ++slot)
            for (std::size_t i = 0; i < ircode_slot_size; ++i)
                table.codes[slot][i] = static_cast<std::uint8_t>(0x80 + slot * 8 + i);
        cfg_ircodes = table;
        learning_state = 0;
        reset_receiver_for_new_link();
    }
    ~bench_world() { restore_default_settings(); }
};

// Bytes that match no slot: each one is compared with all eleven slots.
void BM_UnmatchedBytes(benchmark::State& state) {
    bench_world world(static_cast<int>(state.range(0)));
    std::vector<std::uint8_t> junk(4096);
    for (std::size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<std::uint8_t>(i % 0x7F);
    byte_source source{junk.data(), junk.size()};
    const receiver_io io{&source, &read_byte, &tick_count, nullptr};
    for (auto _ : state) {
        source.at = 0;
        handle_receive(io);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * junk.size()));
}
BENCHMARK(BM_UnmatchedBytes)->Arg(4)->Arg(8);

// One code per notification, each the last slot in matching order (mute),
// time moving on far enough for each to be acted on.
void BM_CommandPerNotification(benchmark::State& state) {
    bench_world world(4);
    const std::uint8_t* mute = cfg_ircodes.get_value().codes[ircode_mute];
    std::vector<std::uint8_t> code(mute, mute + 4);
    byte_source source{code.data(), code.size()};
    source.clock_step = 1000;
    const receiver_io io{&source, &read_byte, &tick_count, nullptr};
    for (auto _ : state) {
        source.at = 0;
        handle_receive(io);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * code.size()));
}
BENCHMARK(BM_CommandPerNotification);

// Bytes arriving within the repeat delay: collected, never compared.
void BM_BytesWithinRepeatDelay(benchmark::State& state) {
    bench_world world(4);
    last_command_tick = 1000000;
    std::vector<std::uint8_t> junk(4096, 0x01);
    byte_source source{junk.data(), junk.size()};
    const receiver_io io{&source, &read_byte, &tick_count, nullptr};
    for (auto _ : state) {
        source.at = 0;
        handle_receive(io);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * junk.size()));
}
BENCHMARK(BM_BytesWithinRepeatDelay);

}  // namespace

BENCHMARK_MAIN();
