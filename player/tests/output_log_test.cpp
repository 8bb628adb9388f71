#include "player/core/output_log.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace player {
namespace {

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

TEST(OutputLog, SecondsPrintWithoutNeedlessDigits) {
    const struct {
        double in;
        const char* out;
    } rows[] = {{5, "5"}, {-5, "-5"}, {2.5, "2.5"}, {90.2, "90.2"}, {0, "0"}, {-0.0001, "0"}, {1.0 / 3, "0.333"}, {-100, "-100"}};
    for (const auto& r : rows) EXPECT_EQ(format_seconds(r.in), r.out) << r.in;
}

}  // namespace
}  // namespace player
