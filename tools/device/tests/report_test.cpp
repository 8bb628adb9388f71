#include "tools/device/report.h"

#include <gtest/gtest.h>

#include "tools/device/tests/frame_encoder.h"

namespace tavix::device {
namespace {

DecodedFrame decoded(const test::Bytes& bytes)
{
    struct One : FrameSink {
        DecodedFrame frame;
        void on_frame(const DecodedFrame& f) override { frame = f; }
        void on_garbage(const std::vector<std::uint8_t>&) override { ADD_FAILURE() << "garbage"; }
    } sink;
    FrameDecoder d(sink);
    d.feed(bytes.data(), bytes.size());
    return sink.frame;
}

TEST(ReportTest, QuotedText)
{
    struct Case {
        std::string cp1251;
        const char* quoted;
    };
    const Case cases[] = {
        {"", "\"\""},
        {"Title", "\"Title\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"C:\\Music", "\"C:\\\\Music\""},
        {"tab\there", "\"tab\\x09here\""},
        {"\x7F\x98", "\"\\x7F\\x98\""},
        {"\xC0\xEB\xFC\xE1\xEE\xEC \x96 \xB9", "\"Альбом – №\""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(quoted_text(c.cp1251), c.quoted);
}

TEST(ReportTest, FrameLines)
{
    EXPECT_EQ(frame_line(decoded(test::quit_frame())), "frame quit");
    EXPECT_EQ(frame_line(decoded(test::time_frame(300.5))), "frame time 301");
    EXPECT_EQ(frame_line(decoded(test::track_frame({225, 2, 5, "\xC0\xEB\xFC\xE1\xEE\xEC", "Song \"1\"", 0}))),
              "frame track length=225 position=2 count=5 album=\"Альбом\" title=\"Song \\\"1\\\"\"");
}

TEST(ReportTest, ClockText)
{
    EXPECT_EQ(clock_text(0), "0:00");
    EXPECT_EQ(clock_text(65), "1:05");
    EXPECT_EQ(clock_text(3599), "59:59");
    EXPECT_EQ(clock_text(3600), "1:00:00");
    EXPECT_EQ(clock_text(65535), "18:12:15");
}

TEST(ReportTest, DisplayFollowsFrames)
{
    DisplayModel display;
    EXPECT_EQ(display.line(), "display (blank)");
    EXPECT_EQ(display.apply(decoded(test::time_frame(5))), "display -/-  0:05 / -:--");
    EXPECT_EQ(display.apply(decoded(test::track_frame({225, 2, 5, "Album", "T\x01tle", 0}))),
              "display 2/5  0:05 / 3:45  Album - T\xEF\xBF\xBDtle");
    EXPECT_EQ(display.apply(decoded(test::time_frame(5))), std::nullopt) << "nothing changed";
    EXPECT_EQ(display.apply(decoded(test::time_frame(6))), "display 2/5  0:06 / 3:45  Album - T\xEF\xBF\xBDtle");
    EXPECT_EQ(display.apply(decoded(test::quit_frame())), "display (blank)");
}

}  // namespace
}  // namespace tavix::device
