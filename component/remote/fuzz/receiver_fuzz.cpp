// Any byte stream, under any stored settings (code lengths and repeat delays
// out of range included), learning switched on and off, links reopened and
// the code length changed while a link is open. The receiver must never read
// or write outside its window or a code slot (the sanitizers watch that),
// never hold more bytes than its capacity, keep zeros behind the held bytes,
// and only capture a whole code.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>

#include "component/host/settings.h"
#include "component/remote/learning_state.h"
#include "component/remote/receiver.h"
#include "component/remote/tests/fake_playback.h"
#include "sdk/testing/fake_host.h"

namespace {

struct input {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
    bool empty() const { return at >= size; }
    std::uint8_t byte() { return at < size ? data[at++] : 0; }
    std::int32_t int32() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(byte()) << (8 * i);
        return static_cast<std::int32_t>(v);
    }
};

struct world {
    fake_host host;
    fake_playback player;
    std::deque<std::uint8_t> port;
    std::uint32_t clock = 0;
    world() {
        host.keep_console_lines = false;
        player.keep_calls = false;
        host.set_service(&player);
    }
};

world* the_world;
std::deque<std::uint8_t>* port;
std::uint32_t* clock_now;

bool read_byte(void*, std::uint8_t* out) {
    if (port->empty()) return false;
    *out = port->front();
    port->pop_front();
    return true;
}
std::uint32_t tick_count(void*) { return *clock_now; }
void capture(void*) {
    if (learning_state == 0 || receive_window.count != effective_code_length()) std::abort();
}

void check_window() {
    const receive_window_t& w = receive_window;
    if (w.capacity < 2 || w.capacity > 8) std::abort();
    if (w.count > w.capacity) std::abort();
    for (unsigned i = w.count; i < sizeof w.storage; ++i)
        if (w.storage[i] != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!the_world) {
        the_world = new world;
        port = &the_world->port;
        clock_now = &the_world->clock;
    }
    input in{data, size};
    the_world->port.clear();

    cfg_code_length = in.int32();
    cfg_repeat_delay = in.int32();
    t_ircodes table;
    for (auto& slot : table.codes)
        for (auto& b : slot) b = in.byte();
    cfg_ircodes = table;
    the_world->clock = static_cast<std::uint32_t>(in.int32());
    learning_state = 0;
    reset_receiver_for_new_link();

    const receiver_io io{nullptr, &read_byte, &tick_count, &capture};
    while (!in.empty()) {
        const std::uint8_t op = in.byte();
        switch (op & 7) {
        case 0:
        case 1:
        case 2:
        case 3:
            for (unsigned n = (op >> 3) + 1u; n > 0 && !in.empty(); --n) port->push_back(in.byte());
            handle_receive(io);
            break;
        case 4: handle_receive(io); break;
        case 5: the_world->clock += static_cast<std::uint32_t>(in.byte()) << (op >> 4); break;
        case 6: learning_state = in.byte() % 12; break;
        case 7:
            if (op & 8)
                reset_receiver_for_new_link();
            else
                cfg_code_length = static_cast<std::int8_t>(in.byte());
            break;
        }
        check_window();
    }
    learning_state = 0;
    restore_default_settings();
    return 0;
}
