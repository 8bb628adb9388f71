#include "player/core/scenario.h"

#include <cmath>
#include <cstdlib>

namespace player {

namespace {

struct token {
    std::string text;
    std::size_t eq = std::string::npos;  // first '=' outside quotes
};

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Splits at blanks. Double quotes group blanks into a word; inside them only
// \" and \\ are escapes, so Windows paths need no doubling of backslashes.
bool tokenize(std::string_view s, std::vector<token>& out, std::string& error) {
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && is_blank(s[i])) ++i;
        if (i >= s.size()) break;
        token t;
        while (i < s.size() && !is_blank(s[i])) {
            if (s[i] == '"') {
                ++i;
                bool closed = false;
                while (i < s.size()) {
                    if (s[i] == '\\' && i + 1 < s.size() && (s[i + 1] == '"' || s[i + 1] == '\\')) {
                        t.text.push_back(s[i + 1]);
                        i += 2;
                    } else if (s[i] == '"') {
                        ++i;
                        closed = true;
                        break;
                    } else {
                        t.text.push_back(s[i++]);
                    }
                }
                if (!closed) {
                    error = "unclosed quote";
                    return false;
                }
            } else {
                if (s[i] == '=' && t.eq == std::string::npos) t.eq = t.text.size();
                t.text.push_back(s[i++]);
            }
        }
        out.push_back(std::move(t));
    }
    return true;
}

// The raw text after the first `skip` words: for texts to print or match,
// which need no quoting. A text in quotes keeps its blanks exactly.
bool rest_after(std::string_view s, int skip, std::string& out, std::string& error) {
    std::size_t i = 0;
    for (int w = 0; w < skip; ++w) {
        while (i < s.size() && is_blank(s[i])) ++i;
        while (i < s.size() && !is_blank(s[i])) ++i;
    }
    while (i < s.size() && is_blank(s[i])) ++i;
    std::string_view rest = s.substr(i);
    while (!rest.empty() && (rest.back() == '\r' || rest.back() == '\n' || rest.back() == ' ' || rest.back() == '\t'))
        rest.remove_suffix(1);
    if (!rest.empty() && rest.front() == '"') {
        std::vector<token> toks;
        if (!tokenize(rest, toks, error)) return false;
        if (toks.size() != 1) {
            error = "text after the closing quote";
            return false;
        }
        out = toks[0].text;
        return true;
    }
    out = std::string(rest);
    return true;
}

// A non-negative decimal number with at most three fraction digits, scaled
// to thousandths, in integers so that "0.1" is exactly 100.
std::optional<std::int64_t> parse_thousandths(std::string_view s) {
    if (s.empty()) return std::nullopt;
    std::int64_t whole = 0;
    std::size_t i = 0;
    bool digits = false;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        whole = whole * 10 + (s[i] - '0');
        if (whole > 1000000000000LL) return std::nullopt;
        digits = true;
        ++i;
    }
    std::int64_t frac = 0;
    int frac_digits = 0;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
            if (frac_digits < 3) {
                frac = frac * 10 + (s[i] - '0');
                ++frac_digits;
            }
            digits = true;
            ++i;
        }
    }
    if (!digits || i != s.size()) return std::nullopt;
    while (frac_digits < 3) {
        frac *= 10;
        ++frac_digits;
    }
    return whole * 1000 + frac;
}

// A duration in ms: "2", "2.5", "2s", "500ms", "3:25" (minutes:seconds).
// A bare number counts in `bare_unit_ms`.
std::optional<std::int64_t> parse_duration(std::string_view s, std::int64_t bare_unit_ms) {
    if (s.size() > 2 && s.substr(s.size() - 2) == "ms") {
        auto v = parse_thousandths(s.substr(0, s.size() - 2));
        if (!v) return std::nullopt;
        return *v / 1000;
    }
    if (s.size() > 1 && s.back() == 's') {
        return parse_thousandths(s.substr(0, s.size() - 1));
    }
    const std::size_t colon = s.find(':');
    if (colon != std::string_view::npos) {
        auto minutes = parse_thousandths(s.substr(0, colon));
        auto seconds = parse_thousandths(s.substr(colon + 1));
        if (!minutes || !seconds || *minutes % 1000 != 0 || *seconds >= 60000) return std::nullopt;
        return *minutes * 60 + *seconds;
    }
    auto v = parse_thousandths(s);
    if (!v) return std::nullopt;
    return *v * bare_unit_ms / 1000;
}

std::optional<std::int64_t> parse_integer(std::string_view s) {
    if (s.empty() || s.size() > 9) return std::nullopt;
    std::int64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

std::optional<double> parse_real(std::string_view s) {
    if (s.empty() || s.size() > 32) return std::nullopt;
    const std::string copy(s);
    char* end = nullptr;
    const double v = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<bool> parse_switch(std::string_view s) {
    if (s == "on" || s == "1" || s == "yes") return true;
    if (s == "off" || s == "0" || s == "no") return false;
    return std::nullopt;
}

struct parser {
    std::string_view line;
    std::vector<token> words;
    command cmd;
    std::string error;

    bool fail(std::string message) {
        error = std::move(message);
        return false;
    }

    bool want_count(std::size_t min, std::size_t max, const char* usage) {
        if (words.size() < min || words.size() > max) return fail(std::string("usage: ") + usage);
        return true;
    }

    bool plain(op o, const char* usage) {
        cmd.what = o;
        return want_count(1, 1, usage);
    }

    bool text_rest(op o, int skip) {
        cmd.what = o;
        return rest_after(line, skip, cmd.text, error);
    }

    bool control_id(std::size_t index, const char* usage) {
        auto id = parse_integer(words[index].text);
        if (!id || *id > 0xFFFF) return fail(std::string("control id must be a number up to 65535; usage: ") + usage);
        cmd.number = *id;
        return true;
    }

    bool run();
    bool playlist();
    bool page();
    bool expect();
    bool volume();
};

bool parser::playlist() {
    if (words.size() < 2) return fail("usage: playlist add|clear|show ...");
    const std::string& sub = words[1].text;
    if (sub == "clear") {
        cmd.what = op::playlist_clear;
        return want_count(2, 2, "playlist clear");
    }
    if (sub == "show") {
        cmd.what = op::playlist_show;
        return want_count(2, 2, "playlist show");
    }
    if (sub != "add") return fail("unknown playlist command: " + sub);
    cmd.what = op::playlist_add;
    const char* usage = "playlist add <path> <length> [title=<text>] [album=<text>]";
    if (words.size() < 4) return fail(std::string("usage: ") + usage);
    if (words[2].text.empty()) return fail("empty path");
    cmd.text = normalize_location(words[2].text);
    auto length = parse_duration(words[3].text, 1000);
    if (!length) return fail("bad length '" + words[3].text + "' (seconds, 3:25, 90s or 1500ms)");
    cmd.number = *length;
    for (std::size_t i = 4; i < words.size(); ++i) {
        const token& t = words[i];
        if (t.eq == std::string::npos) return fail("expected title=... or album=..., got '" + t.text + "'");
        const std::string key = t.text.substr(0, t.eq);
        std::string value = t.text.substr(t.eq + 1);
        if (key == "title")
            cmd.title = std::move(value);
        else if (key == "album")
            cmd.album = std::move(value);
        else
            return fail("unknown tag '" + key + "' (title or album)");
    }
    return true;
}

bool parser::page() {
    if (words.size() < 2) return fail("usage: page show|hide|close|reset|state|click|check ...");
    const std::string& sub = words[1].text;
    if (sub == "show") return text_rest(op::page_show, 2);  // page names may hold blanks
    const struct {
        const char* name;
        op what;
    } simple[] = {{"hide", op::page_hide}, {"close", op::page_close}, {"reset", op::page_reset}, {"state", op::page_state}};
    for (const auto& s : simple) {
        if (sub == s.name) {
            cmd.what = s.what;
            return want_count(2, 2, (std::string("page ") + s.name).c_str());
        }
    }
    if (sub == "click") {
        cmd.what = op::page_click;
        return want_count(3, 3, "page click <id>") && control_id(2, "page click <id>");
    }
    if (sub == "check") {
        cmd.what = op::page_check;
        const char* usage = "page check <id> on|off";
        if (!want_count(4, 4, usage) || !control_id(2, usage)) return false;
        auto on = parse_switch(words[3].text);
        if (!on) return fail(std::string("usage: ") + usage);
        cmd.flag = *on;
        return true;
    }
    return fail("unknown page command: " + sub);
}

bool parser::volume() {
    const char* usage = "volume up|down|mute|<dB>";
    if (!want_count(2, 2, usage)) return false;
    const std::string& w = words[1].text;
    if (w == "up") cmd.what = op::volume_up;
    else if (w == "down") cmd.what = op::volume_down;
    else if (w == "mute") cmd.what = op::volume_mute;
    else {
        auto db = parse_real(w);
        if (!db || *db > 0 || *db < playback_engine::volume_min_db) return fail("volume in dB from -100 to 0; usage: " + std::string(usage));
        cmd.what = op::volume_set;
        cmd.value = *db;
    }
    return true;
}

bool parser::expect() {
    if (words.size() < 2) return fail("usage: expect state|track|time|volume|muted|line|no-line|page|config ...");
    const std::string& sub = words[1].text;
    if (sub == "state") {
        cmd.what = op::expect_state;
        if (!want_count(3, 3, "expect state stopped|playing|paused")) return false;
        const std::string& s = words[2].text;
        if (s == "stopped") cmd.state = play_state::stopped;
        else if (s == "playing") cmd.state = play_state::playing;
        else if (s == "paused") cmd.state = play_state::paused;
        else return fail("usage: expect state stopped|playing|paused");
        return true;
    }
    if (sub == "track") {
        cmd.what = op::expect_track;
        if (!want_count(3, 3, "expect track <n>|none")) return false;
        if (words[2].text == "none") return true;
        auto n = parse_integer(words[2].text);
        if (!n || *n == 0) return fail("usage: expect track <n>|none (n from 1)");
        cmd.number = *n;
        return true;
    }
    if (sub == "time") {
        cmd.what = op::expect_time;
        if (!want_count(3, 3, "expect time <seconds>")) return false;
        auto t = parse_duration(words[2].text, 1000);
        if (!t) return fail("usage: expect time <seconds>");
        cmd.number = *t;
        return true;
    }
    if (sub == "volume") {
        cmd.what = op::expect_volume;
        if (!want_count(3, 3, "expect volume <dB>")) return false;
        auto db = parse_real(words[2].text);
        if (!db) return fail("usage: expect volume <dB>");
        cmd.value = *db;
        return true;
    }
    if (sub == "muted") {
        cmd.what = op::expect_muted;
        if (!want_count(3, 3, "expect muted on|off")) return false;
        auto on = parse_switch(words[2].text);
        if (!on) return fail("usage: expect muted on|off");
        cmd.flag = *on;
        return true;
    }
    if (sub == "line" || sub == "no-line") {
        if (!text_rest(sub == "line" ? op::expect_line : op::expect_no_line, 2)) return false;
        if (cmd.text.empty()) return fail("usage: expect " + sub + " <text>");
        return true;
    }
    if (sub == "page") {
        cmd.what = op::expect_page;
        const char* usage = "expect page <id> checked|unchecked|enabled|disabled|shown|hidden";
        if (!want_count(4, 4, usage) || !control_id(2, usage)) return false;
        const std::string& s = words[3].text;
        if (s != "checked" && s != "unchecked" && s != "enabled" && s != "disabled" && s != "shown" && s != "hidden")
            return fail(std::string("usage: ") + usage);
        cmd.text = s;
        return true;
    }
    if (sub == "config") {
        cmd.what = op::expect_config;
        const char* usage = "expect config <guid> <hex>|absent";
        if (words.size() < 3) return fail(std::string("usage: ") + usage);
        auto id = parse_guid(words[2].text);
        if (!id) return fail("not a GUID: " + words[2].text);
        cmd.guid = *id;
        if (words.size() == 4 && words[3].text == "absent") {
            cmd.flag = true;
            return true;
        }
        std::string hex;
        for (std::size_t i = 3; i < words.size(); ++i) hex += words[i].text;
        std::vector<config_problem> problems;
        config_store one = parse_config(format_guid(*id) + " " + hex, problems);
        if (!problems.empty() || !one.find(*id)) return fail("bad hex value: " + hex);
        cmd.bytes = *one.find(*id);
        return true;
    }
    return fail("unknown expectation: " + sub);
}

bool parser::run() {
    const std::string& verb = words[0].text;
    if (verb == "load") return plain(op::load, "load");
    if (verb == "quit" || verb == "exit") return plain(op::quit, "quit");
    if (verb == "playlist") return playlist();
    if (verb == "play") {
        cmd.what = op::play;
        if (!want_count(1, 2, "play [<n>]")) return false;
        if (words.size() == 2) {
            auto n = parse_integer(words[1].text);
            if (!n || *n == 0) return fail("usage: play [<n>] (n from 1)");
            cmd.number = *n;
        }
        return true;
    }
    if (verb == "pause") return plain(op::pause, "pause");
    if (verb == "stop") return plain(op::stop, "stop");
    if (verb == "next") return plain(op::next, "next");
    if (verb == "prev" || verb == "previous") return plain(op::previous, "prev");
    if (verb == "random") return plain(op::random, "random");
    if (verb == "seek") {
        const char* usage = "seek <seconds> | seek +<seconds> | seek -<seconds>";
        if (!want_count(2, 2, usage)) return false;
        std::string_view w = words[1].text;
        int sign = 0;
        if (!w.empty() && (w.front() == '+' || w.front() == '-')) {
            sign = w.front() == '-' ? -1 : 1;
            w.remove_prefix(1);
        }
        auto t = parse_duration(w, 1000);
        if (!t) return fail(std::string("usage: ") + usage);
        cmd.what = sign == 0 ? op::seek_to : op::seek_by;
        cmd.number = sign == 0 ? *t : sign * *t;
        return true;
    }
    if (verb == "volume") return volume();
    if (verb == "advance") {
        cmd.what = op::advance;
        if (!want_count(2, 2, "advance <seconds>")) return false;
        auto t = parse_duration(words[1].text, 1000);
        if (!t) return fail("usage: advance <seconds> (or 500ms, 2s, 1:30)");
        cmd.number = *t;
        return true;
    }
    if (verb == "realtime") {
        cmd.what = op::realtime;
        if (!want_count(2, 2, "realtime on|off")) return false;
        auto on = parse_switch(words[1].text);
        if (!on) return fail("usage: realtime on|off");
        cmd.flag = *on;
        return true;
    }
    if (verb == "wait") {
        cmd.what = op::wait;
        if (!want_count(2, 2, "wait <ms>")) return false;
        auto t = parse_duration(words[1].text, 1);
        if (!t) return fail("usage: wait <ms> (or 2s)");
        cmd.number = *t;
        return true;
    }
    if (verb == "wait-for") {
        const char* usage = "wait-for <ms> <text>";
        if (words.size() < 3) return fail(std::string("usage: ") + usage);
        auto t = parse_duration(words[1].text, 1);
        if (!t) return fail(std::string("usage: ") + usage);
        cmd.number = *t;
        return text_rest(op::wait_for, 2);
    }
    if (verb == "page") return page();
    if (verb == "expect") return expect();
    if (verb == "config") {
        if (words.size() == 2 && words[1].text == "save") {
            cmd.what = op::config_save;
            return true;
        }
        if (words.size() == 2 && words[1].text == "show") {
            cmd.what = op::config_show;
            return true;
        }
        return fail("usage: config save|show");
    }
    if (verb == "echo") return text_rest(op::echo, 1);
    if (verb == "help" || verb == "?") return plain(op::help, "help");
    return fail("unknown command: " + verb);
}

}  // namespace

std::string normalize_location(std::string path) {
    if (path.find("://") == std::string::npos) path = "file://" + path;
    return path;
}

parse_result parse_line(std::string_view line, int line_no) {
    parse_result result;
    std::size_t first = 0;
    while (first < line.size() && is_blank(line[first])) ++first;
    if (first == line.size() || line[first] == '#') return result;

    parser p;
    p.line = line;
    p.cmd.line = line_no;
    std::size_t last = line.size();
    while (last > first && is_blank(line[last - 1])) --last;
    p.cmd.source = std::string(line.substr(first, last - first));
    if (!tokenize(line, p.words, p.error)) {
        result.error = p.error;
        return result;
    }
    if (p.run())
        result.cmd = std::move(p.cmd);
    else
        result.error = p.error;
    return result;
}

std::vector<command> parse_scenario(std::string_view text, std::vector<scenario_error>& errors) {
    std::vector<command> commands;
    int line_no = 0;
    while (!text.empty()) {
        ++line_no;
        const std::size_t nl = text.find('\n');
        const std::string_view line = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view{} : text.substr(nl + 1);
        parse_result r = parse_line(line, line_no);
        if (!r.error.empty())
            errors.push_back({line_no, r.error});
        else if (r.cmd)
            commands.push_back(std::move(*r.cmd));
    }
    return commands;
}

const char* scenario_help() {
    return "load                                 load the components, restore settings, start them\n"
           "quit                                 stop them, save settings, leave\n"
           "playlist add <path> <length> [title=<t>] [album=<a>]\n"
           "playlist clear | playlist show\n"
           "play [<n>] | pause | stop | next | prev | random\n"
           "seek <s> | seek +<s> | seek -<s>\n"
           "volume up|down|mute|<dB>\n"
           "advance <s>                          move playback time on (deterministic)\n"
           "realtime on|off                      let playback time follow the clock\n"
           "wait <ms>                            run the message loop for a while\n"
           "wait-for <ms> <text>                 ... until an output line holds <text>\n"
           "page show [<name>] | hide | close | reset | state\n"
           "page click <id> | page check <id> on|off\n"
           "expect state|track|time|volume|muted|line|no-line|page|config ...\n"
           "config save | config show\n"
           "echo <text>\n";
}

}  // namespace player
