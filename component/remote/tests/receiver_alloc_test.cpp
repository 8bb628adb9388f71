// Handling bytes must not touch the heap: commands, greeting, delay and
// sliding included. This program replaces operator new to count calls.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <vector>

#include "component/remote/tests/receiver_fixture.h"

namespace {
bool counting = false;
unsigned long allocations = 0;
}  // namespace

void* operator new(std::size_t size) {
    if (counting) ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

TEST(ReceiverHeap, CounterSeesAllocations) {
    allocations = 0;
    counting = true;
    delete new int(1);
    counting = false;
    EXPECT_EQ(allocations, 1u);
}

TEST(ReceiverHeap, HandlingBytesAllocatesNothing) {
    receiver_rig rig;
    rig.host.keep_console_lines = false;
    rig.player.keep_calls = false;
    t_ircodes table{};
    for (std::size_t slot = 0; slot < ircode_slot_count; ++slot)
        for (std::size_t i = 0; i < 4; ++i) table.codes[slot][i] = static_cast<std::uint8_t>(0x10 * (slot + 1) + i);
    cfg_ircodes = table;

    // One burst per notification: the greeting, then rounds of a stray byte
    // and a code. At 150 ms apart some codes fall within the repeat delay.
    std::vector<std::vector<std::uint8_t>> bursts = {{'O', 'K'}};
    for (int round = 0; round < 3; ++round) {
        for (std::size_t slot = 0; slot < ircode_slot_count; ++slot) {
            std::vector<std::uint8_t> burst = {0x01};
            burst.insert(burst.end(), table.codes[slot], table.codes[slot] + 4);
            bursts.push_back(burst);
        }
    }
    std::size_t waiting = 0;
    for (const auto& burst : bursts) waiting += burst.size();

    allocations = 0;
    for (const auto& burst : bursts) {
        rig.port.insert(rig.port.end(), burst.begin(), burst.end());
        counting = true;
        rig.notify();
        counting = false;
        rig.clock += 150;
    }

    EXPECT_TRUE(rig.port.empty());
    EXPECT_GT(rig.host.console_count, 10u) << "the stream should have produced commands";
    EXPECT_GT(rig.player.call_count, 10u);
    EXPECT_EQ(allocations, 0u) << "over " << waiting << " bytes";
}

}  // namespace
