#include "component/display/frames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "component/display/tests/frame_recorder.h"

namespace {

bytes frame_bytes(frame_view frame) { return bytes(frame.bytes, frame.bytes + frame.count); }

decoded_track_frame decode(const bytes& frame) { return decode_track_frame(frame); }

// A 64-byte field as the device must see it: the text, then a 0 if it is
// shorter than the field; what follows the 0 is not compared.
::testing::AssertionResult field_holds(const bytes& field, const std::string& text) {
    const std::size_t shown = std::min<std::size_t>(text.size(), 64);
    for (std::size_t i = 0; i < shown; ++i) {
        if (field[i] != static_cast<std::uint8_t>(text[i])) {
            return ::testing::AssertionFailure() << "field byte " << i << " differs";
        }
    }
    if (shown < 64 && field[shown] != 0) {
        return ::testing::AssertionFailure() << "no terminator at byte " << shown;
    }
    return ::testing::AssertionSuccess();
}

track_frame_input track(const char* album, const char* title) {
    return track_frame_input{200, 3, 12, album, title};
}

TEST(RoundSeconds, AddsHalfAndTruncatesTowardZero) {
    struct row { double seconds; std::int32_t expected; };
    const row rows[] = {
        {0.0, 0},          {0.49, 0},           {0.5, 1},
        {13.2, 13},        {300.5, 301},        {3599.6, 3600},
        {-0.7, 0},         {-1.0, 0},           {-2.0, -1},
        {2147483647.4, 2147483647},
        {-2147483648.4, -2147483647},
    };
    for (const row& r : rows) {
        EXPECT_EQ(round_seconds(r.seconds), r.expected) << r.seconds;
    }
}

TEST(RoundSeconds, ValuesNoIntegerHoldsGiveTheMinimum) {
    const double rows[] = {2147483647.5, 1e12, -1e12, std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity(), std::nan("")};
    for (double seconds : rows) {
        EXPECT_EQ(round_seconds(seconds), std::numeric_limits<std::int32_t>::min()) << seconds;
    }
}

TEST(TimeFrame, SendsLow16BitsOfRoundedSecondsHighByteFirst) {
    struct row { double seconds; std::uint8_t high, low; };
    const row rows[] = {
        {0.49, 0x00, 0x00},  {0.5, 0x00, 0x01},     {13.2, 0x00, 0x0D},
        {300.5, 0x01, 0x2D}, {65535.0, 0xFF, 0xFF}, {65536.0, 0x00, 0x00},
        {65537.0, 0x00, 0x01}, {-2.0, 0xFF, 0xFF},  {1e12, 0x00, 0x00},
        {std::nan(""), 0x00, 0x00},
    };
    for (const row& r : rows) {
        frame_recorder port;
        send_frame(build_time_frame(r.seconds));
        ASSERT_EQ(port.frames.size(), 1u) << r.seconds;
        EXPECT_EQ(port.frames[0], (bytes{0x2B, 0x02, r.high, r.low, 0x0D})) << r.seconds;
    }
}

TEST(QuitFrame, IsPlusNullCarriageReturnAndLeavesTheRestOfTheBuffer) {
    frame_recorder port;
    build_track_frame(track("Album", "Title"));
    const bytes before = bytes(frame_buffer, frame_buffer + frame_buffer_size);

    send_frame(build_quit_frame());

    ASSERT_EQ(port.frames.size(), 1u);
    EXPECT_EQ(port.frames[0], (bytes{0x2B, 0x00, 0x0D}));
    EXPECT_TRUE(std::equal(before.begin() + 3, before.end(), frame_buffer + 3));
}

TEST(TrackFrame, LaysOutHeaderNumbersAndTexts) {
    frame_recorder port;
    send_frame(build_track_frame({round_seconds(3599.6), 1, 44, "Album One", "01 Intro"}));

    ASSERT_EQ(port.frames.size(), 1u);
    const decoded_track_frame f = decode(port.frames[0]);
    EXPECT_EQ(f.header, (bytes{0x2B, 0x01, 0x0D}));
    EXPECT_EQ(bytes(f.payload.begin(), f.payload.begin() + 4), (bytes{0x0E, 0x10, 1, 44}));
    EXPECT_TRUE(field_holds(f.album(), "Album One"));
    EXPECT_TRUE(field_holds(f.title(), "01 Intro"));
}

TEST(TrackFrame, LengthKeepsOnlyItsLow16Bits) {
    struct row { std::int32_t length; std::uint8_t high, low; };
    const row rows[] = {{0, 0, 0}, {65535, 0xFF, 0xFF}, {70000, 0x11, 0x70}, {-1, 0xFF, 0xFF}};
    for (const row& r : rows) {
        const frame_view frame = build_track_frame({r.length, 0, 0, "", ""});
        const decoded_track_frame f = decode(frame_bytes(frame));
        EXPECT_EQ(f.payload[0], r.high) << r.length;
        EXPECT_EQ(f.payload[1], r.low) << r.length;
    }
}

TEST(TrackFrame, TextFieldsCarryAtMost64BytesAndATerminatorOnlyWhenShorter) {
    struct row { std::size_t length; };
    const row rows[] = {{0}, {1}, {63}, {64}, {100}};
    for (const row& r : rows) {
        std::string text;
        for (std::size_t i = 0; i < r.length; ++i) text += static_cast<char>('A' + i % 26);
        const decoded_track_frame f =
            decode(frame_bytes(build_track_frame(track(text.c_str(), text.c_str()))));
        for (const bytes& field : {f.album(), f.title()}) {
            EXPECT_TRUE(field_holds(field, text)) << r.length;
            if (r.length >= 64) {
                EXPECT_EQ(std::count(field.begin(), field.end(), 0), 0) << r.length;
            }
        }
    }
}

TEST(TrackFrame, NullTextsAreEmpty) {
    const decoded_track_frame f = decode(frame_bytes(build_track_frame(track(nullptr, nullptr))));
    EXPECT_EQ(f.album()[0], 0);
    EXPECT_EQ(f.title()[0], 0);
}

TEST(TrackFrame, SameInputGivesSameBytesWhateverCameBefore) {
    const bytes first = frame_bytes(build_track_frame(track("Short", "Hi")));
    std::string long_text(200, '\xE9');
    build_track_frame({9999, 250, 251, long_text.c_str(), long_text.c_str()});
    build_time_frame(1234.0);
    const bytes again = frame_bytes(build_track_frame(track("Short", "Hi")));
    EXPECT_EQ(first, again);
}

TEST(Scrambler, MatchesKnownKeyStream) {
    // Worked out by hand: state 47093 gives key 0x6F; after a plain 0 the
    // state is 1004106554, key 0xE6.
    std::uint8_t payload[track_payload_size] = {};
    scramble_track_payload(payload);
    EXPECT_EQ(payload[0], 0x6F);
    EXPECT_EQ(payload[1], 0xE6);
}

TEST(Scrambler, AgreesWithA16BitState) {
    // Only bits 7..14 of the state reach the output and carries only go up,
    // so 16-bit arithmetic must give the same bytes.
    std::uint8_t payload[track_payload_size];
    for (std::size_t i = 0; i < track_payload_size; ++i) {
        payload[i] = static_cast<std::uint8_t>(i * 37 + (i % 3 == 0 ? 0x2B : 0x0D));
    }
    std::uint8_t expected[track_payload_size];
    std::uint16_t state = 47093;
    for (std::size_t i = 0; i < track_payload_size; ++i) {
        expected[i] = static_cast<std::uint8_t>(payload[i] ^ ((state >> 7) & 0xFF));
        state = static_cast<std::uint16_t>((state + payload[i]) * 386129u + 2741u);
    }
    scramble_track_payload(payload);
    EXPECT_EQ(0, std::memcmp(payload, expected, track_payload_size));
}

TEST(Scrambler, UnscramblingGivesBackEveryPayload) {
    const std::uint8_t fills[] = {0x00, 0x0D, 0x2B, 0xFF};
    for (std::uint8_t fill : fills) {
        bytes plain(track_payload_size, fill);
        for (std::size_t i = 0; i < plain.size(); i += 7) plain[i] = static_cast<std::uint8_t>(i);
        bytes payload = plain;
        scramble_track_payload(payload.data());
        EXPECT_NE(payload, plain);
        EXPECT_EQ(unscramble_track_payload(payload.data(), payload.size()), plain);
    }
}

TEST(SendFrame, ClosedOrMissingPortLosesFramesSilently) {
    frame_recorder port;
    port.open = false;
    send_frame(build_time_frame(5.0));
    send_frame(build_track_frame(track("A", "B")));
    send_frame(build_quit_frame());
    EXPECT_EQ(port.attempts, 3);  // each frame tried once, no retry
    EXPECT_TRUE(port.frames.empty());

    frame_sink* const recorder = set_frame_sink(nullptr);
    send_frame(build_time_frame(6.0));
    set_frame_sink(recorder);
    EXPECT_EQ(port.attempts, 3);

    port.open = true;
    send_frame(build_time_frame(7.0));
    ASSERT_EQ(port.frames.size(), 1u);
    EXPECT_EQ(port.frames[0], (bytes{0x2B, 0x02, 0x00, 0x07, 0x0D}));
}

}  // namespace
