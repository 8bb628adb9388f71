#include "tools/device/frame_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tools/device/tests/frame_encoder.h"

namespace tavix::device {
namespace {

using test::Bytes;
using test::Track;

struct Event {
    bool garbage = false;
    Bytes bytes;          // garbage bytes, or the frame's raw bytes
    DecodedFrame frame;
};

// Records what the decoder reports; runs of garbage split only by chunking
// are merged, since where a feed ends is not the decoder's choice.
struct Recorder : FrameSink {
    std::vector<Event> events;
    void on_frame(const DecodedFrame& f) override { events.push_back({false, f.raw, f}); }
    void on_garbage(const std::vector<std::uint8_t>& b) override
    {
        EXPECT_FALSE(b.empty());
        if (!events.empty() && events.back().garbage)
            events.back().bytes.insert(events.back().bytes.end(), b.begin(), b.end());
        else
            events.push_back({true, b, {}});
    }
};

std::vector<Event> decode(const Bytes& input, std::size_t chunk = 0, bool flush = true)
{
    Recorder r;
    FrameDecoder d(r);
    if (chunk == 0)
        chunk = input.size() ? input.size() : 1;
    for (std::size_t i = 0; i < input.size(); i += chunk)
        d.feed(input.data() + i, std::min(chunk, input.size() - i));
    if (flush)
        d.flush();
    return r.events;
}

std::vector<DecodedFrame> frames_of(const std::vector<Event>& events)
{
    std::vector<DecodedFrame> out;
    for (const Event& e : events)
        if (!e.garbage)
            out.push_back(e.frame);
    return out;
}

TEST(FrameDecoderTest, TimeFrames)
{
    struct Case {
        double seconds;
        std::uint8_t hi, lo;
        unsigned decoded;
    };
    const Case cases[] = {
        {0.49, 0x00, 0x00, 0},  {0.5, 0x00, 0x01, 1},     {13.2, 0x00, 0x0D, 13},
        {300.5, 0x01, 0x2D, 301}, {65537.0, 0x00, 0x01, 1}, {11051.0, 0x2B, 0x2B, 11051},
        {65535.0, 0xFF, 0xFF, 65535},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seconds);
        Bytes frame = test::time_frame(c.seconds);
        ASSERT_EQ(frame, (Bytes{0x2B, 0x02, c.hi, c.lo, 0x0D}));
        auto events = decode(frame);
        ASSERT_EQ(events.size(), 1u);
        ASSERT_FALSE(events[0].garbage);
        EXPECT_EQ(events[0].frame.kind, FrameKind::time);
        EXPECT_EQ(events[0].frame.seconds, c.decoded);
        EXPECT_EQ(events[0].frame.raw, frame);
    }
}

TEST(FrameDecoderTest, QuitFrame)
{
    auto events = decode({0x2B, 0x00, 0x0D});
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].frame.kind, FrameKind::quit);
}

TEST(FrameDecoderTest, TrackFrames)
{
    const std::string cyrillic = "\xCF\xF0\xE8\xE2\xE5\xF2 \xA8\xB8 \xB9 \x96 \x85";   // Привет Ёё № – …
    const std::string t63(63, 'a'), t64(64, 'b'), t100(100, 'c');
    struct Case {
        const char* name;
        Track track;
        unsigned length;
        std::string album, title;
    };
    const Case cases[] = {
        {"plain", {225, 2, 5, "Album", "Title", 0}, 225, "Album", "Title"},
        {"length 3600", {3600, 1, 1, "A", "T", 0}, 3600, "A", "T"},
        {"length wraps to 16 bits", {65536 + 7, 1, 1, "A", "T", 0}, 7, "A", "T"},
        {"256th item and 300 items", {10, 0, 44, "A", "T", 0}, 10, "A", "T"},
        {"cyrillic", {61, 3, 9, cyrillic, cyrillic, 0}, 61, cyrillic, cyrillic},
        {"empty album", {1, 1, 1, "", "Only title", 0}, 1, "", "Only title"},
        {"63-byte title", {1, 1, 1, "A", t63, 0x55}, 1, "A", t63},
        {"64-byte title has no terminator", {1, 1, 1, t64, t64, 0x55}, 1, t64, t64},
        {"100-byte title is cut", {1, 1, 1, t100, t100, 0x55}, 1, t100.substr(0, 64),
         t100.substr(0, 64)},
        {"frame bytes in texts", {0x2B0D, 0x2B, 0x0D, "+\r+", "\r\r", 0x2B}, 0x2B0D, "+\r+", "\r\r"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes frame = test::track_frame(c.track);
        ASSERT_EQ(frame.size(), 135u);
        auto events = decode(frame);
        ASSERT_EQ(events.size(), 1u);
        const DecodedFrame& f = events[0].frame;
        EXPECT_EQ(f.kind, FrameKind::track);
        EXPECT_EQ(f.length_seconds, c.length);
        EXPECT_EQ(f.position, c.track.position);
        EXPECT_EQ(f.item_count, c.track.count);
        EXPECT_EQ(f.album, c.album);
        EXPECT_EQ(f.title, c.title);
    }
}

TEST(FrameDecoderTest, BytesAfterTerminatorDoNotMatter)
{
    Track a{200, 4, 7, "Album", "Title", 0x00};
    Track b = a;
    b.filler = 0xE7;
    ASSERT_NE(test::track_frame(a), test::track_frame(b));
    auto fa = decode(test::track_frame(a))[0].frame;
    auto fb = decode(test::track_frame(b))[0].frame;
    EXPECT_EQ(fa.album, fb.album);
    EXPECT_EQ(fa.title, fb.title);
    EXPECT_EQ(fa.length_seconds, fb.length_seconds);
}

TEST(FrameDecoderTest, UnscrambleInvertsScrambler)
{
    // Every byte value at every position, across a few patterns.
    for (int step : {1, 7, 101}) {
        SCOPED_TRACE(step);
        std::uint8_t plain[132], payload[132];
        for (int i = 0; i < 132; ++i)
            plain[i] = payload[i] = static_cast<std::uint8_t>(step * i + step);
        test::scramble(payload);
        EXPECT_FALSE(std::equal(plain, plain + 132, payload));
        unscramble_track_payload(payload);
        EXPECT_TRUE(std::equal(plain, plain + 132, payload));
    }
}

TEST(FrameDecoderTest, ChunkingDoesNotMatter)
{
    Bytes stream = test::join({{0x41, 0x2B}, test::time_frame(5), test::track_frame({225, 2, 5, "A", "T", 9}),
                               {0x0D, 0x2B, 0x07}, test::quit_frame(), test::time_frame(13.2)});
    auto whole = decode(stream);
    for (std::size_t chunk : {1u, 2u, 3u, 4u, 7u, 64u, 134u, 135u, 136u}) {
        SCOPED_TRACE(chunk);
        auto parts = decode(stream, chunk);
        ASSERT_EQ(parts.size(), whole.size());
        for (std::size_t i = 0; i < parts.size(); ++i) {
            EXPECT_EQ(parts[i].garbage, whole[i].garbage);
            EXPECT_EQ(parts[i].bytes, whole[i].bytes);
        }
    }
}

TEST(FrameDecoderTest, GarbageIsReportedAndSkipped)
{
    struct Case {
        const char* name;
        Bytes input;
        std::vector<Bytes> expected;   // garbage runs and frames in order
    };
    const Bytes quit = test::quit_frame(), t5 = test::time_frame(5);
    const Case cases[] = {
        {"noise before a frame", test::join({{0x00, 0x41, 0x0D}, t5}), {{0x00, 0x41, 0x0D}, t5}},
        {"doubled start byte", test::join({{0x2B}, quit}), {{0x2B}, quit}},
        {"unknown command", test::join({{0x2B, 0x03}, t5}), {{0x2B, 0x03}, t5}},
        {"wrong terminator", test::join({{0x2B, 0x02, 0x00, 0x05, 0x0A}, t5}),
         {{0x2B, 0x02, 0x00, 0x05, 0x0A}, t5}},
        {"frame begins inside a broken one", test::join({{0x2B, 0x02, 0x00}, quit}),
         {{0x2B, 0x02, 0x00}, quit}},
        {"cut frame at the end", test::join({t5, {0x2B, 0x01, 0x10}}), {t5, {0x2B, 0x01, 0x10}}},
        {"frame inside a cut track frame", test::join({{0x2B, 0x01}, t5}), {{0x2B, 0x01}, t5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto events = decode(c.input);
        ASSERT_EQ(events.size(), c.expected.size());
        for (std::size_t i = 0; i < events.size(); ++i)
            EXPECT_EQ(events[i].bytes, c.expected[i]) << "event " << i;
    }
}

TEST(FrameDecoderTest, HeldBytesWaitForMoreUntilFlush)
{
    Recorder r;
    FrameDecoder d(r);
    Bytes start = {0x2B, 0x01, 0x2B, 0x02, 0x00, 0x07, 0x0D};
    d.feed(start.data(), start.size());
    EXPECT_TRUE(r.events.empty()) << "a track frame may still be on its way";
    EXPECT_EQ(d.pending(), start.size());
    d.flush();
    ASSERT_EQ(r.events.size(), 2u);
    EXPECT_EQ(r.events[0].bytes, (Bytes{0x2B, 0x01}));
    EXPECT_EQ(r.events[1].frame.seconds, 7u);
    EXPECT_EQ(d.pending(), 0u);
}

// The stream the damage fixtures start from: every kind of frame, with
// payload bytes that look like frame bytes.
Bytes sample_stream()
{
    return test::join({test::time_frame(5), test::track_frame({0x2B0D, 1, 2, "+\x01", "\x2B\x02\x0D", 0x2B}),
                       test::quit_frame(), test::time_frame(13.2),
                       test::track_frame({225, 2, 5, "\xC0\xEB\xFC\xE1\xEE\xEC", "Title", 0x0D}),
                       test::time_frame(300.5)});
}

std::vector<Bytes> frames_in(const Bytes& stream)
{
    std::vector<Bytes> out;
    for (const DecodedFrame& f : frames_of(decode(stream)))
        out.push_back(f.raw);
    return out;
}

// After any damage, bytes that hold neither a frame start nor a terminator
// for the length of the longest frame bring the decoder back in step.
const Bytes resync(longest_frame, 0x00);

void expect_damage_survived(const Bytes& damaged, std::size_t intact_prefix)
{
    const Bytes stream = sample_stream();
    const std::vector<Bytes> good = frames_in(stream);
    Bytes input = test::join({damaged, resync, stream});
    auto events = decode(input);
    std::vector<Bytes> got;
    for (const DecodedFrame& f : frames_of(events))
        got.push_back(f.raw);

    // Nothing lost, nothing made up: every byte comes back exactly once.
    Bytes back;
    for (const Event& e : events)
        back.insert(back.end(), e.bytes.begin(), e.bytes.end());
    ASSERT_EQ(back, input);

    // Frames wholly before the damage are decoded as sent.
    std::size_t offset = 0, whole = 0;
    for (const Bytes& f : good) {
        if (offset + f.size() > intact_prefix)
            break;
        offset += f.size();
        ++whole;
    }
    ASSERT_GE(got.size(), whole + good.size());
    for (std::size_t i = 0; i < whole; ++i)
        EXPECT_EQ(got[i], good[i]) << "frame " << i << " before the damage";
    // And after the resynchronising gap every frame comes through.
    for (std::size_t i = 0; i < good.size(); ++i)
        EXPECT_EQ(got[got.size() - good.size() + i], good[i]) << "frame " << i << " after the gap";
}

TEST(FrameDecoderTest, StreamCutAtEveryOffset)
{
    const Bytes stream = sample_stream();
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        expect_damage_survived(Bytes(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(cut)), cut);
        if (HasFatalFailure())
            return;
    }
}

TEST(FrameDecoderTest, GarbageByteAtEveryOffset)
{
    const Bytes stream = sample_stream();
    for (std::uint8_t junk : {0x2B, 0x0D, 0x00, 0x01, 0x02, 0xFF}) {
        for (std::size_t at = 0; at <= stream.size(); ++at) {
            SCOPED_TRACE("byte " + std::to_string(junk) + " at " + std::to_string(at));
            Bytes damaged = stream;
            damaged.insert(damaged.begin() + static_cast<std::ptrdiff_t>(at), junk);
            expect_damage_survived(damaged, at);
            if (HasFatalFailure())
                return;
        }
    }
}

TEST(FrameDecoderTest, ByteDroppedAtEveryOffset)
{
    const Bytes stream = sample_stream();
    for (std::size_t at = 0; at < stream.size(); ++at) {
        SCOPED_TRACE("dropped at " + std::to_string(at));
        Bytes damaged = stream;
        damaged.erase(damaged.begin() + static_cast<std::ptrdiff_t>(at));
        expect_damage_survived(damaged, at);
        if (HasFatalFailure())
            return;
    }
}

}  // namespace
}  // namespace tavix::device
