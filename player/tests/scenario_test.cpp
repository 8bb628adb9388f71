#include "player/core/scenario.h"

#include <gtest/gtest.h>

#include <string>

namespace player {
namespace {

command parsed(const char* line) {
    parse_result r = parse_line(line, 1);
    EXPECT_TRUE(r.error.empty()) << line << ": " << r.error;
    EXPECT_TRUE(r.cmd) << line;
    return r.cmd.value_or(command{});
}

TEST(Scenario, CommandsAndTheirNumbers) {
    struct row {
        const char* line;
        op what;
        std::int64_t number;
    };
    const row rows[] = {
        {"load", op::load, 0},
        {"quit", op::quit, 0},
        {"  play  ", op::play, 0},
        {"play 3", op::play, 3},
        {"pause", op::pause, 0},
        {"stop", op::stop, 0},
        {"next", op::next, 0},
        {"prev", op::previous, 0},
        {"random", op::random, 0},
        {"seek 30", op::seek_to, 30000},
        {"seek 1:05.5", op::seek_to, 65500},
        {"seek +5", op::seek_by, 5000},
        {"seek -5", op::seek_by, -5000},
        {"seek -250ms", op::seek_by, -250},
        {"advance 1", op::advance, 1000},
        {"advance 0.1", op::advance, 100},
        {"advance 2.5s", op::advance, 2500},
        {"advance 1500ms", op::advance, 1500},
        {"wait 250", op::wait, 250},
        {"wait 2s", op::wait, 2000},
        {"volume up", op::volume_up, 0},
        {"volume down", op::volume_down, 0},
        {"volume mute", op::volume_mute, 0},
        {"page click 1011", op::page_click, 1011},
        {"page hide", op::page_hide, 0},
        {"page close", op::page_close, 0},
        {"page reset", op::page_reset, 0},
        {"page state", op::page_state, 0},
        {"expect track 2", op::expect_track, 2},
        {"expect track none", op::expect_track, 0},
        {"expect time 3", op::expect_time, 3000},
        {"config save", op::config_save, 0},
        {"config show", op::config_show, 0},
        {"playlist clear", op::playlist_clear, 0},
        {"playlist show", op::playlist_show, 0},
        {"help", op::help, 0},
    };
    for (const row& r : rows) {
        command c = parsed(r.line);
        EXPECT_EQ(c.what, r.what) << r.line;
        EXPECT_EQ(c.number, r.number) << r.line;
    }
}

TEST(Scenario, PlaylistAddTakesPathLengthAndOptionalTags) {
    command c = parsed(R"(playlist add "C:\Music\Album One\01 Intro.flac" 3:25 title="Intro, live" album=Живой)");
    EXPECT_EQ(c.what, op::playlist_add);
    EXPECT_EQ(c.text, R"(file://C:\Music\Album One\01 Intro.flac)");
    EXPECT_EQ(c.number, 205000);
    EXPECT_EQ(c.title, std::optional<std::string>("Intro, live"));
    EXPECT_EQ(c.album, std::optional<std::string>("Живой"));

    c = parsed(R"(playlist add file://C:\Data\My.Music\track 90)");
    EXPECT_EQ(c.text, R"(file://C:\Data\My.Music\track)");
    EXPECT_FALSE(c.title);
    EXPECT_FALSE(c.album);

    // An empty tag is a tag that is present and empty, unlike a missing one.
    c = parsed(R"(playlist add x.mp3 1 title="" album="say \"hi\"")");
    EXPECT_EQ(c.title, std::optional<std::string>(""));
    EXPECT_EQ(c.album, std::optional<std::string>("say \"hi\""));
}

TEST(Scenario, TextsRunToTheEndOfTheLineOrStayQuoted) {
    command c = parsed("expect line   console: foo_tavix: OK received  ");
    EXPECT_EQ(c.what, op::expect_line);
    EXPECT_EQ(c.text, "console: foo_tavix: OK received");
    c = parsed("wait-for 5000 call: start 1 paused=0");
    EXPECT_EQ(c.what, op::wait_for);
    EXPECT_EQ(c.number, 5000);
    EXPECT_EQ(c.text, "call: start 1 paused=0");
    c = parsed(R"(echo "  two blanks  ")");
    EXPECT_EQ(c.text, "  two blanks  ");
    c = parsed("expect no-line Error");
    EXPECT_EQ(c.what, op::expect_no_line);
}

TEST(Scenario, SwitchesStatesAndConfigValues) {
    command c = parsed("page check 1003 on");
    EXPECT_EQ(c.what, op::page_check);
    EXPECT_EQ(c.number, 1003);
    EXPECT_TRUE(c.flag);
    EXPECT_FALSE(parsed("page check 1003 off").flag);
    EXPECT_TRUE(parsed("realtime on").flag);
    EXPECT_EQ(parsed("expect state paused").state, play_state::paused);
    EXPECT_EQ(parsed("expect page 1011 disabled").text, "disabled");
    EXPECT_EQ(parsed("page show tavix").text, "tavix");
    EXPECT_EQ(parsed("page show test page").text, "test page");
    EXPECT_EQ(parsed("page show").text, "");
    EXPECT_DOUBLE_EQ(parsed("volume -6.5").value, -6.5);
    EXPECT_DOUBLE_EQ(parsed("expect volume -0.5").value, -0.5);

    c = parsed("expect config {F7047F33-A595-4B15-8AE1-70629E4F9C79} 01");
    EXPECT_EQ(c.what, op::expect_config);
    EXPECT_EQ(format_guid(c.guid), "{F7047F33-A595-4B15-8AE1-70629E4F9C79}");
    EXPECT_EQ(c.bytes, config_bytes{1});
    EXPECT_FALSE(c.flag);
    c = parsed("expect config {F7047F33-A595-4B15-8AE1-70629E4F9C76} 04 00 00 00");
    EXPECT_EQ(c.bytes, (config_bytes{4, 0, 0, 0}));
    EXPECT_TRUE(parsed("expect config {F7047F33-A595-4B15-8AE1-70629E4F9C76} absent").flag);
}

TEST(Scenario, BadLinesSayWhatIsWrong) {
    struct row {
        const char* line;
        const char* error_part;
    };
    const row rows[] = {
        {"dance", "unknown command: dance"},
        {"play 0", "n from 1"},
        {"play x", "usage: play"},
        {"stop now", "usage: stop"},
        {"seek", "usage: seek"},
        {"seek +x", "usage: seek"},
        {"advance", "usage: advance"},
        {"advance -1", "usage: advance"},
        {"advance 1:75", "usage: advance"},
        {"wait soon", "usage: wait"},
        {"realtime maybe", "usage: realtime"},
        {"volume +3", "volume in dB"},
        {"volume -101", "volume in dB"},
        {"playlist add", "usage: playlist add"},
        {"playlist add a.mp3", "usage: playlist add"},
        {"playlist add a.mp3 long", "bad length"},
        {"playlist add a.mp3 3 artist=x", "unknown tag 'artist'"},
        {"playlist add a.mp3 3 loose", "expected title="},
        {"playlist add \"a.mp3 3", "unclosed quote"},
        {"playlist shuffle", "unknown playlist command"},
        {"page", "usage: page"},
        {"page click", "usage: page click"},
        {"page click 70000", "control id"},
        {"page check 1003", "usage: page check"},
        {"page check 1003 maybe", "usage: page check"},
        {"page fold", "unknown page command"},
        {"expect", "usage: expect"},
        {"expect state running", "usage: expect state"},
        {"expect line", "usage: expect line"},
        {"expect page 1003 blue", "usage: expect page"},
        {"expect config nope 01", "not a GUID"},
        {"expect config {F7047F33-A595-4B15-8AE1-70629E4F9C79} 0", "bad hex"},
        {"expect weather", "unknown expectation"},
        {"wait-for 100", "usage: wait-for"},
        {"echo \"open", "unclosed quote"},
        {"config load", "usage: config"},
    };
    for (const row& r : rows) {
        parse_result p = parse_line(r.line, 1);
        EXPECT_FALSE(p.cmd) << r.line;
        EXPECT_NE(p.error.find(r.error_part), std::string::npos) << r.line << " -> " << p.error;
    }
}

TEST(Scenario, WholeScriptReportsEveryBadLineWithItsNumber) {
    std::vector<scenario_error> errors;
    const auto commands = parse_scenario("# setup\n\nload\nfly\nplay\r\nseek\nquit", errors);
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[0].what, op::load);
    EXPECT_EQ(commands[0].line, 3);
    EXPECT_EQ(commands[1].what, op::play);
    EXPECT_EQ(commands[2].line, 7);
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].line, 4);
    EXPECT_EQ(errors[1].line, 6);
}

}  // namespace
}  // namespace player
