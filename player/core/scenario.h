// The player's scenario language: one command a line, read from a file or
// typed at the console. The README of this folder documents it for users.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "player/core/config_store.h"
#include "player/core/guid_text.h"
#include "player/core/playback_engine.h"

namespace player {

enum class op {
    load,
    quit,
    playlist_add,
    playlist_clear,
    playlist_show,
    play,          // number: 1-based item, 0 = the player's choice
    pause,         // toggle
    stop,
    next,
    previous,
    random,
    seek_to,       // number: ms
    seek_by,       // number: signed ms
    volume_up,
    volume_down,
    volume_mute,
    volume_set,    // value: dB
    advance,       // number: ms
    realtime,      // flag
    wait,          // number: ms
    wait_for,      // number: timeout ms, text
    page_show,     // text: page name, empty = the first page
    page_hide,
    page_close,
    page_reset,
    page_state,
    page_click,    // number: control id
    page_check,    // number: control id, flag: checked
    expect_state,  // state
    expect_track,  // number: 1-based item, 0 = none playing
    expect_time,   // number: ms
    expect_volume, // value: dB
    expect_muted,  // flag
    expect_line,   // text
    expect_no_line,
    expect_page,   // number: control id, text: checked|unchecked|enabled|disabled|shown|hidden
    expect_config, // guid, bytes (flag: absent)
    config_save,
    config_show,
    echo,          // text
    help,
};

struct command {
    op what = op::help;
    int line = 0;
    std::string source;  // the line as written, without surrounding blanks
    std::string text;
    std::int64_t number = 0;
    double value = 0;
    bool flag = false;
    std::optional<std::string> title;
    std::optional<std::string> album;
    guid_key guid;
    config_bytes bytes;
    play_state state = play_state::stopped;
};

struct parse_result {
    std::optional<command> cmd;  // none for blank and comment lines
    std::string error;           // set when the line is not a command
};

parse_result parse_line(std::string_view line, int line_no = 0);

struct scenario_error {
    int line = 0;
    std::string message;
};

// Parses a whole scenario; every bad line is reported, not just the first.
std::vector<command> parse_scenario(std::string_view text, std::vector<scenario_error>& errors);

// "file://" in front of a bare local path, as the player names its files.
std::string normalize_location(std::string path);

// The commands with a one-line description each, for `help`.
const char* scenario_help();

}  // namespace player
