#include "player/core/output_log.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace player {
namespace {

std::string written(std::FILE* sink) {
    std::rewind(sink);
    std::string all;
    char buf[256];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, sink)) > 0) all.append(buf, n);
    return all;
}

TEST(OutputLog, WritesKindAndTextAndFindsLinesInOrder) {
    std::FILE* sink = std::tmpfile();
    ASSERT_NE(sink, nullptr);
    output_log log(sink);
    log.line("console", "foo_tavix: OK received");
    log.line("scenario", "expect line call: start");  // the player's own echo
    log.line("call", "start 1 paused=0");
    log.line("expect", "ok line call: start");
    log.line("call", "stop");

    std::rewind(sink);
    char buf[256] = {};
    const std::size_t n = std::fread(buf, 1, sizeof buf - 1, sink);
    std::fclose(sink);
    EXPECT_EQ(std::string(buf, n),
              "console: foo_tavix: OK received\nscenario: expect line call: start\ncall: start 1 paused=0\n"
              "expect: ok line call: start\ncall: stop\n");

    EXPECT_EQ(log.find("call: start", 0), std::optional<std::size_t>(2));
    EXPECT_EQ(log.find("call:", 3), std::optional<std::size_t>(4));
    EXPECT_FALSE(log.find("ok line", 0));  // expectation lines are never matched
    EXPECT_FALSE(log.find("console:", 1));
    EXPECT_EQ(log.size(), 5u);
    EXPECT_EQ(log.at(4), "call: stop");
    EXPECT_EQ(log.at(9), "");
}

TEST(OutputLog, StampsEachWrittenLineWithTheClockAtItsWriting) {
    std::FILE* sink = std::tmpfile();
    ASSERT_NE(sink, nullptr);
    std::int64_t now_us = 6325986268;
    int reads = 0;
    output_log log(sink, [&] {
        ++reads;
        return now_us;
    });
    log.line("console", "foo_tavix: OK received");
    now_us += 1250;
    log.line("call", "seek_delta 5");
    now_us += 1;
    log.line("scenario", "quit");
    EXPECT_EQ(written(sink),
              "6325986.268 console: foo_tavix: OK received\n6325987.518 call: seek_delta 5\n6325987.519 scenario: quit\n");
    std::fclose(sink);
    EXPECT_EQ(reads, 3);
    // Look-backs see the lines as they would be unstamped.
    EXPECT_EQ(log.at(1), "call: seek_delta 5");
    EXPECT_EQ(log.find("call: seek", 0), std::optional<std::size_t>(1));
    EXPECT_FALSE(log.find("6325987", 0));
}

TEST(OutputLog, StampIsMillisecondsWithThreeDecimals) {
    const struct {
        std::int64_t us;
        const char* out;
    } rows[] = {{0, "0.000"},         {1, "0.001"},          {999, "0.999"},
                {1000, "1.000"},      {1001, "1.001"},       {10010, "10.010"},
                {123456789, "123456.789"}, {INT64_MAX, "9223372036854775.807"}, {-5, "0.000"}};
    for (const auto& r : rows) EXPECT_EQ(format_stamp(r.us), r.out) << r.us;
}

TEST(OutputLog, SecondsPrintWithoutNeedlessDigits) {
    const struct {
        double in;
        const char* out;
    } rows[] = {{5, "5"}, {-5, "-5"}, {2.5, "2.5"}, {90.2, "90.2"}, {0, "0"}, {-0.0001, "0"}, {1.0 / 3, "0.333"}, {-100, "-100"}};
    for (const auto& r : rows) EXPECT_EQ(format_seconds(r.in), r.out) << r.in;
}

}  // namespace
}  // namespace player
