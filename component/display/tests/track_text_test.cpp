#include "component/display/track_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct names { std::string album, title; };

names names_from(const std::string& path) {
    now_playing_state state{};
    store_track_text(state.path, path.c_str());
    std::memset(state.album, 'x', sizeof state.album);
    std::memset(state.title, 'x', sizeof state.title);
    fill_names_from_path(state);
    return {state.album, state.title};
}

TEST(FillNamesFromPath, TakesFolderAndFileNameBeforeTheLastDot) {
    struct row { const char* path; const char* album; const char* title; };
    const row rows[] = {
        {"file://C:\\Music\\Artist\\Album One\\01 Intro.flac", "Album One", "01 Intro"},
        {"file://C:\\Music\\Live.At.Home\\01.Intro.mp3", "Live.At.Home", "01.Intro"},
        // No extension: the last dot lies in a folder name.
        {"file://C:\\Data\\My.Music\\track", "Data", "My"},
        // A missing separator counts as standing at index 0.
        {"Intro.mp3", "", "ntro"},
        {"\\Intro.mp3", "", "Intro"},
        {"x\\Intro.mp3", "", "Intro"},
        {"a\\b\\c.d", "b", "c"},
        {"C:\\no dot at all", "", ""},
        {"", "", ""},
        {".", "", ""},
        {"\\\\.", "", ""},
        {"a\\.mp3", "", ""},
        {"a\\\\x.mp3", "", "x"},
    };
    for (const row& r : rows) {
        const names n = names_from(r.path);
        EXPECT_EQ(n.album, r.album) << r.path;
        EXPECT_EQ(n.title, r.title) << r.path;
    }
}

std::string converted(std::string text) {
    transliterate_cp1251(text.data());
    return std::string(text.c_str());
}

TEST(TransliterateCp1251, ConvertsCyrillicAndBlanksOtherCharacters) {
    struct row { const char* input; const char* output; };
    const row rows[] = {
        {"\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82", "\xCF\xF0\xE8\xE2\xE5\xF2"},
        {"\xD0\x81\xD1\x91", "\xA8\xB8"},
        {"\x43\x61\x66\xC3\xA9", "\x43\x61\x66\x20"},
        {"\xD1\x97", "\x20"},
        {"\x41\x42\x43", "\x41\x42\x43"},
        {"\xD0\x90\xD1\x8F", "\xC0\xFF"},          // А and я, the ends of the range
        {"\xD0\x80\xD1\x90", "\x20\x20"},          // just outside it
        {"", ""},
        {"\x7F\x01", "\x7F\x01"},
    };
    for (const row& r : rows) {
        EXPECT_EQ(converted(r.input), r.output) << r.input;
    }
}

TEST(TransliterateCp1251, BrokenOrLongSequencesNeverSwallowALetter) {
    struct row { const char* input; const char* output; };
    const row rows[] = {
        {"\xE2\x82\xAC" "A", " A"},                 // euro sign, three bytes
        {"\xF0\x9F\x8E\xB5" "A", " A"},             // four bytes
        {"\x80" "A", " A"},                         // stray continuation
        {"\xBF\xBF", "  "},
        {"\xD0" "A", " A"},                         // lead without its partner
        {"\xE2\x82" "A", "  A"},                    // three-byte lead cut short
        {"\xF0\x9F\x8E" "A", "   A"},
        {"A\xD0", "A "},                            // high-bit byte before the end
        {"\xC0\x80" "A", "  A"},                    // overlong forms are no characters
        {"\xC1\xBF", "  "},
        {"\xE0\x80\x80", "   "},
        {"\xED\xA0\x80", "   "},                    // a surrogate
        {"\xF4\x90\x80\x80", "    "},               // beyond U+10FFFF
        {"\xF5\x80" "A", "  A"},
        {"\xFF\xFE", "  "},
        {"\xEF\xBF\xBD\xD0\x96", " \xC6"},          // U+FFFD then Ж
        {"\xF4\x8F\xBF\xBF\xD0\x96", " \xC6"},      // U+10FFFF then Ж
    };
    for (const row& r : rows) {
        EXPECT_EQ(converted(r.input), r.output) << ::testing::PrintToString(std::string(r.input));
    }
}

TEST(StoreTrackText, CutsLongTextsAt255BytesOnACharacterBoundary) {
    const std::string a253(253, 'a');
    struct row { std::string input; std::size_t kept; };
    const row rows[] = {
        {std::string(255, 'a'), 255},
        {std::string(256, 'a'), 255},
        {std::string(1000, 'a'), 255},
        {a253 + "\xD0\xAF", 255},                   // Я ends at byte 254: fits
        {a253 + "\xD0\xAF" "b", 255},
        {a253 + "a\xD0\xAF", 254},                  // Я would straddle the cut
        {a253 + "\xE2\x82\xAC", 253},               // € at 253..255
        {std::string(252, 'a') + "\xF0\x9F\x8E\xB5", 252},
        {std::string(251, 'a') + "\xF0\x9F\x8E\xB5" "a", 255},
        {std::string(300, '\x80'), 255},            // no character to step back to
        {"", 0},
    };
    for (const row& r : rows) {
        char buffer[track_text_size];
        std::memset(buffer, 'x', sizeof buffer);
        store_track_text(buffer, r.input.c_str());
        EXPECT_EQ(std::string(buffer), r.input.substr(0, r.kept)) << r.input.size();
    }
}

TEST(StoreTrackText, NullStoresAnEmptyText) {
    char buffer[track_text_size] = "old";
    store_track_text(buffer, nullptr);
    EXPECT_EQ(buffer[0], '\0');
}

}  // namespace
