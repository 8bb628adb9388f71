// Opening the link: the order of the steps, the console lines and when the
// receiver starts afresh, with the platform's steps faked.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "component/host/settings.h"
#include "component/remote/port_opening.h"
#include "component/remote/receiver.h"
#include "sdk/testing/fake_host.h"

namespace {

class fake_opening final : public port_opening_io {
public:
    const char* found = nullptr;  // nullptr: no device
    long open_status = 0;
    std::vector<std::string> steps;

    void close() override { steps.push_back("close"); }
    bool find(char* name, std::size_t size) override {
        steps.push_back("find");
        if (!found) return false;
        std::strncpy(name, found, size - 1);
        name[size - 1] = '\0';
        return true;
    }
    long open() override {
        steps.push_back("open");
        return open_status;
    }
};

struct opening_case {
    const char* name;
    const char* found;
    long open_status;
    std::vector<std::string> steps;
    std::vector<std::string> lines;
    bool receiver_reset;
};

class PortOpening : public ::testing::TestWithParam<opening_case> {};

TEST_P(PortOpening, StepsLinesAndReceiver) {
    const opening_case& c = GetParam();
    fake_host host;
    restore_default_settings();
    // A receiver in the middle of an earlier link.
    receive_window = {{7, 8, 0, 0, 0, 0, 0, 0}, 2, 2};
    greeting_seen = true;
    last_command_tick = 1234;
    cfg_code_length = 6;

    fake_opening io;
    io.found = c.found;
    io.open_status = c.open_status;
    open_port_using(io);

    EXPECT_EQ(io.steps, c.steps);
    EXPECT_EQ(host.console_lines, c.lines);
    if (c.receiver_reset) {
        EXPECT_EQ(receive_window.capacity, 6u);  // follows the code length
        EXPECT_EQ(receive_window.count, 0u);
        EXPECT_EQ(receive_window.storage[0], 0);
        EXPECT_FALSE(greeting_seen);
        EXPECT_EQ(last_command_tick, 0u);
    } else {
        EXPECT_EQ(receive_window.count, 2u);
        EXPECT_EQ(receive_window.storage[0], 7);
        EXPECT_TRUE(greeting_seen);
        EXPECT_EQ(last_command_tick, 1234u);
    }
    restore_default_settings();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PortOpening,
    ::testing::Values(
        opening_case{"no_device", nullptr, 0, {"close", "find"}, {}, false},
        opening_case{"opened",
                     "COM3",
                     0,
                     {"close", "find", "open"},
                     {"foo_tavix: opening port COM3", "foo_tavix: COM3 opened successfully"},
                     true},
        opening_case{"port_busy",
                     "COM12",
                     5,
                     {"close", "find", "open"},
                     {"foo_tavix: opening port COM12", "Error: foo_tavix: can't open port COM12"},
                     true}),
    [](const ::testing::TestParamInfo<opening_case>& info) { return std::string(info.param.name); });

}  // namespace
