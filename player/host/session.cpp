#include "player/host/session.h"

#include <algorithm>
#include <cmath>

namespace player {

namespace {

constexpr std::int64_t advance_step_ms = 500;  // shorter than a second: see advance()
constexpr int main_thread_rounds = 100;

const char* state_name(play_state s) {
    switch (s) {
    case play_state::stopped: return "stopped";
    case play_state::playing: return "playing";
    case play_state::paused: return "paused";
    }
    return "?";
}

const char* reason_text(stop_reason r) {
    switch (r) {
    case stop_reason::user: return "user";
    case stop_reason::end_of_playlist: return "end of playlist";
    case stop_reason::starting_another: return "starting another";
    case stop_reason::shutting_down: return "shutting down";
    }
    return "?";
}

std::string describe_track(const track& t) {
    std::string s = t.path + " length=" + format_seconds(static_cast<double>(t.length_ms) / 1000.0);
    if (t.title) s += " title=\"" + *t.title + "\"";
    if (t.album) s += " album=\"" + *t.album + "\"";
    return s;
}

std::string yes_no(bool b) { return b ? "1" : "0"; }

// After quit a scenario may still look back at what happened, and no more.
bool after_quit_allowed(op what) {
    switch (what) {
    case op::expect_state:
    case op::expect_track:
    case op::expect_time:
    case op::expect_volume:
    case op::expect_muted:
    case op::expect_line:
    case op::expect_no_line:
    case op::expect_config:
    case op::echo:
    case op::quit:
        return true;
    default:
        return false;
    }
}

}  // namespace

session::session(output_log& out, platform& sys, session_options options)
    : out_(out),
      sys_(sys),
      options_(std::move(options)),
      engine_(options_.seed),
      services_(engine_, out_),
      host_(services_, out_, store_) {
    services_.show_queries = options_.show_queries;
    // The player's own account of a change comes before the components hear of it.
    engine_.add_listener([this](const playback_event& e) { announce(e); });
    engine_.add_listener([this](const playback_event& e) { services_.play_callbacks.deliver(e); });
    services_.main_thread.set_wake([this] { sys_.wake(); });
    realtime_ = options_.realtime;
    last_tick_ms_ = sys_.now_ms();
}

void session::read_config() {
    if (options_.config_path.empty()) {
        out_.line("player", "no settings file: settings live only for this run");
        return;
    }
    std::vector<config_problem> problems;
    std::string error;
    switch (load_config_file(options_.config_path, store_, problems, error)) {
    case config_load::missing:
        out_.line("player", "no settings file " + options_.config_path + " yet: components keep their defaults");
        break;
    case config_load::loaded:
        out_.line("player", "settings read from " + options_.config_path + " (" + std::to_string(store_.entries().size()) +
                                " values)");
        break;
    case config_load::failed:
        // Saving over a file that could not be read would lose it.
        out_.line("error", error + "; settings will not be saved this run");
        options_.config_path.clear();
        break;
    }
    for (const auto& p : problems)
        out_.line("player", options_.config_path + " line " + std::to_string(p.line) + " skipped: " + p.message);
}

void session::announce(const playback_event& e) {
    switch (e.what) {
    case playback_event::kind::new_track:
        if (e.index < engine_.playlist().size())
            out_.line("player", "playing " + std::to_string(e.index + 1) + "/" + std::to_string(engine_.playlist().size()) +
                                    " " + describe_track(engine_.playlist()[e.index]));
        break;
    case playback_event::kind::stop:
        out_.line("player", std::string("stopped (") + reason_text(e.reason) + ")");
        break;
    case playback_event::kind::pause:
        out_.line("player", e.flag ? "paused" : "resumed");
        break;
    case playback_event::kind::seek:
        out_.line("player", "position " + format_seconds(e.seconds));
        break;
    case playback_event::kind::volume:
        out_.line("player", engine_.muted() ? std::string("muted") : "volume " + format_seconds(e.seconds) + " dB");
        break;
    case playback_event::kind::starting:
    case playback_event::kind::time:
        break;
    }
}

void session::fail(const command& c, const std::string& message) {
    ++failures_;
    out_.line("error", (c.line > 0 ? "line " + std::to_string(c.line) + ": " : std::string()) + message);
}

void session::check(const command& c, bool ok, const std::string& what, const std::string& actual) {
    if (ok) {
        out_.line("expect", "ok " + what);
        return;
    }
    ++failures_;
    out_.line("expect", "FAILED " + (c.line > 0 ? "line " + std::to_string(c.line) + ": " : std::string()) + what +
                            "; actual: " + actual);
}

void session::run(const std::vector<command>& commands) {
    settle();
    for (const command& c : commands) {
        if (options_.echo_commands) out_.line("scenario", c.source);
        if (finished_ && !after_quit_allowed(c.what)) {
            fail(c, "the player has quit");
            continue;
        }
        execute(c);
        if (!finished_) settle();
    }
    if (!finished_) quit();
}

void session::run_interactive() {
    out_.line("player", "reading commands; \"help\" lists them");
    while (!finished_) {
        settle();
        bool eof = false;
        while (!finished_) {
            auto line = sys_.take_input_line(eof);
            if (!line) break;
            parse_result r = parse_line(*line, 0);
            if (!r.error.empty())
                out_.line("error", r.error);
            else if (r.cmd)
                execute(*r.cmd);
            settle();
        }
        if (finished_) break;
        if (eof) {
            quit();
            break;
        }
        sys_.wait_and_dispatch(realtime_ && engine_.state() == play_state::playing ? ms_to_next_tick() : -1);
    }
}

void session::settle() {
    sys_.wait_and_dispatch(0);
    tick_realtime();
    run_main_thread_queue();
}

void session::run_main_thread_queue() {
    for (int round = 0; round < main_thread_rounds && services_.main_thread.has_pending(); ++round)
        services_.main_thread.run_pending();
}

void session::tick_realtime() {
    const std::int64_t now = sys_.now_ms();
    const std::int64_t elapsed = now - last_tick_ms_;
    last_tick_ms_ = now;
    if (realtime_ && elapsed > 0) advance(elapsed);
}

// In steps shorter than a second, with the main-thread queue run between
// them: work a component queued on a new track runs before that track's
// first second is reported, as it would in a running player.
void session::advance(std::int64_t ms) {
    while (ms > 0) {
        const std::int64_t step = std::min(ms, advance_step_ms);
        engine_.advance(step);
        ms -= step;
        run_main_thread_queue();
        if (ms > 0) sys_.wait_and_dispatch(0);
    }
}

std::int64_t session::ms_to_next_tick() const {
    const track* t = engine_.now_playing();
    if (!t || engine_.state() != play_state::playing) return 1000;
    const std::int64_t pos = engine_.position_ms();
    const std::int64_t next = std::min((pos / 1000 + 1) * 1000, t->length_ms);
    return std::max<std::int64_t>(1, next - pos);
}

bool session::wait(std::int64_t ms, const std::string* until_text) {
    const std::int64_t deadline = sys_.now_ms() + ms;
    for (;;) {
        settle();
        if (until_text) {
            if (auto found = out_.find(*until_text, cursor_)) {
                cursor_ = *found + 1;
                return true;
            }
        }
        const std::int64_t now = sys_.now_ms();
        if (now >= deadline) break;
        std::int64_t timeout = deadline - now;
        if (realtime_ && engine_.state() == play_state::playing) timeout = std::min(timeout, ms_to_next_tick());
        sys_.wait_and_dispatch(timeout);
    }
    return false;
}

void session::load() {
    if (loaded_) {
        out_.line("player", "components are loaded already");
        return;
    }
    const int n = sys_.load_components(host_);
    if (n == 0) {
        ++failures_;
        out_.line("error", "no component could be loaded");
        return;
    }
    loaded_ = true;
    host_.start_all();
    out_.line("player", "started with " + std::to_string(n) + (n == 1 ? " component" : " components"));
}

bool session::save_config() {
    if (options_.config_path.empty()) return false;
    host_.collect_config();
    std::string error;
    if (!save_config_file(options_.config_path, store_, error)) {
        out_.line("error", "settings not saved: " + error);
        ++failures_;
        return false;
    }
    out_.line("player", "settings saved to " + options_.config_path);
    return true;
}

void session::quit() {
    if (finished_) return;
    if (sys_.pages().is_open()) sys_.pages().close();
    open_page_.clear();
    engine_.stop(stop_reason::shutting_down);
    run_main_thread_queue();
    if (loaded_) {
        host_.stop_all();
        save_config();
    }
    out_.line("player", "quit");
    finished_ = true;
}

void session::execute(const command& c) {
    switch (c.what) {
    case op::load: load(); break;
    case op::quit: quit(); break;
    case op::playlist_add: {
        track t;
        t.path = c.text;
        t.length_ms = c.number;
        t.title = c.title;
        t.album = c.album;
        const std::size_t index = engine_.add(t);
        out_.line("player", "added " + std::to_string(index + 1) + " " + describe_track(t));
        break;
    }
    case op::playlist_clear:
        engine_.clear();
        out_.line("player", "playlist cleared");
        break;
    case op::playlist_show: {
        const auto& list = engine_.playlist();
        out_.line("player", "playlist of " + std::to_string(list.size()));
        for (std::size_t i = 0; i < list.size(); ++i)
            out_.line("player", std::to_string(i + 1) + " " + describe_track(list[i]));
        break;
    }
    case op::play:
        if (c.number > 0) {
            if (!engine_.play_index(static_cast<std::size_t>(c.number - 1)))
                fail(c, "no item " + std::to_string(c.number) + " in a playlist of " + std::to_string(engine_.playlist().size()));
        } else if (!engine_.start(track_command::play, false)) {
            fail(c, "nothing to play: the playlist is empty");
        }
        break;
    case op::pause:
        if (!engine_.is_playing()) out_.line("player", "not playing: nothing to pause");
        engine_.toggle_pause();
        break;
    case op::stop: engine_.stop(stop_reason::user); break;
    case op::next:
    case op::previous:
    case op::random: {
        const track_command tc = c.what == op::next ? track_command::next
                                 : c.what == op::previous ? track_command::previous
                                                          : track_command::random;
        if (!engine_.start(tc, false)) fail(c, "nothing to play: the playlist is empty");
        break;
    }
    case op::seek_to:
    case op::seek_by:
        if (!engine_.is_playing()) {
            out_.line("player", "not playing: nothing to seek");
            break;
        }
        if (c.what == op::seek_to)
            engine_.seek_ms(c.number);
        else
            engine_.seek_delta_ms(c.number);
        break;
    case op::volume_up: engine_.volume_up(); break;
    case op::volume_down: engine_.volume_down(); break;
    case op::volume_mute: engine_.volume_mute_toggle(); break;
    case op::volume_set: engine_.set_volume(static_cast<float>(c.value)); break;
    case op::advance: advance(c.number); break;
    case op::realtime:
        tick_realtime();
        realtime_ = c.flag;
        last_tick_ms_ = sys_.now_ms();
        out_.line("player", realtime_ ? "playback time follows the clock" : "playback time moves only with advance");
        break;
    case op::wait: wait(c.number, nullptr); break;
    case op::wait_for: {
        const bool found = wait(c.number, &c.text);
        check(c, found, "wait-for " + c.text, found ? out_.at(cursor_ - 1) : "no such line within " + std::to_string(c.number) + " ms");
        break;
    }
    case op::page_show:
    case op::page_hide:
    case op::page_close:
    case op::page_reset:
    case op::page_state:
    case op::page_click:
    case op::page_check: page_command(c); break;
    case op::expect_state:
    case op::expect_track:
    case op::expect_time:
    case op::expect_volume:
    case op::expect_muted:
    case op::expect_line:
    case op::expect_no_line:
    case op::expect_page:
    case op::expect_config: expect(c); break;
    case op::config_save:
        if (options_.config_path.empty())
            fail(c, "no settings file to save to");
        else
            save_config();
        break;
    case op::config_show:
        host_.collect_config();
        out_.line("config", std::to_string(store_.entries().size()) + " values");
        for (const auto& [id, value] : store_.entries()) out_.line("config", format_guid(id) + " " + format_hex(value));
        break;
    case op::echo: out_.line("echo", c.text); break;
    case op::help: {
        std::string help = scenario_help();
        std::size_t start = 0;
        while (start < help.size()) {
            const std::size_t nl = help.find('\n', start);
            out_.line("help", help.substr(start, nl - start));
            if (nl == std::string::npos) break;
            start = nl + 1;
        }
        break;
    }
    }
}

void session::page_command(const command& c) {
    page_view& view = sys_.pages();
    const std::vector<hosted_page> pages = host_.pages();
    auto find_page = [&](const std::string& name) -> const hosted_page* {
        for (const auto& p : pages)
            if (name.empty() || p.name == name) return &p;
        return nullptr;
    };
    const std::string id = std::to_string(c.number);
    switch (c.what) {
    case op::page_show: {
        const hosted_page* page = find_page(c.text);
        if (!page) {
            fail(c, pages.empty() ? "no component has a preferences page" : "no preferences page named " + c.text);
            return;
        }
        if (view.is_open() && open_page_ != page->name) view.close();
        if (!view.is_open()) {
            std::string error;
            if (!view.open(*page->page, error)) {
                fail(c, "page " + page->name + " could not be made: " + error);
                return;
            }
            open_page_ = page->name;
        }
        view.show(true);
        out_.line("page", "shown " + page->name);
        return;
    }
    case op::page_reset: {
        const hosted_page* page = find_page(open_page_);
        if (!page) {
            fail(c, "no component has a preferences page");
            return;
        }
        bool allowed = false;
        guarded(out_, "reset_query", [&] { allowed = page->page->reset_query(); });
        if (!allowed) {
            out_.line("page", "reset refused by " + page->name);
            return;
        }
        guarded(out_, "reset", [&] { page->page->reset(); });
        out_.line("page", "reset " + page->name);
        return;
    }
    default:
        break;
    }
    if (!view.is_open()) {
        fail(c, "no preferences page is open");
        return;
    }
    switch (c.what) {
    case op::page_hide:
        view.show(false);
        out_.line("page", "hidden " + open_page_);
        break;
    case op::page_close:
        view.close();
        out_.line("page", "closed " + open_page_);
        open_page_.clear();
        break;
    case op::page_state:
        for (const control_state& s : view.controls())
            out_.line("page", "control " + std::to_string(s.id) + " \"" + s.text + "\" checked=" + yes_no(s.checked) +
                                  " enabled=" + yes_no(s.enabled) + " visible=" + yes_no(s.visible));
        break;
    case op::page_click:
    case op::page_check: {
        const bool click = c.what == op::page_click;
        const std::string action = click ? "click " + id : "check " + id + (c.flag ? " on" : " off");
        press_result r = view.can_press(static_cast<int>(c.number));
        if (r == press_result::done) {
            // Said before it happens, so the page's reactions follow the line.
            out_.line("page", action);
            r = click ? view.click(static_cast<int>(c.number)) : view.set_check(static_cast<int>(c.number), c.flag);
        }
        switch (r) {
        case press_result::done: break;
        case press_result::no_control: fail(c, "the page has no control " + id); break;
        case press_result::disabled: out_.line("page", action + " ignored: the control is disabled"); break;
        case press_result::hidden: out_.line("page", action + " ignored: the page is hidden"); break;
        }
        break;
    }
    default:
        break;
    }
}

void session::expect(const command& c) {
    switch (c.what) {
    case op::expect_state:
        check(c, engine_.state() == c.state, std::string("state ") + state_name(c.state), state_name(engine_.state()));
        break;
    case op::expect_track: {
        const auto playing = engine_.playing_index();
        const std::string actual = playing ? std::to_string(*playing + 1) : "none";
        const bool ok = c.number == 0 ? !playing : playing && *playing + 1 == static_cast<std::size_t>(c.number);
        check(c, ok, "track " + (c.number == 0 ? std::string("none") : std::to_string(c.number)), actual);
        break;
    }
    case op::expect_time:
        check(c, engine_.position_ms() == c.number, "time " + format_seconds(static_cast<double>(c.number) / 1000.0),
              format_seconds(static_cast<double>(engine_.position_ms()) / 1000.0));
        break;
    case op::expect_volume:
        check(c, std::fabs(engine_.volume() - c.value) < 0.001, "volume " + format_seconds(c.value),
              format_seconds(engine_.volume()));
        break;
    case op::expect_muted:
        check(c, engine_.muted() == c.flag, std::string("muted ") + (c.flag ? "on" : "off"), engine_.muted() ? "on" : "off");
        break;
    case op::expect_line: {
        const auto found = out_.find(c.text, cursor_);
        if (found) cursor_ = *found + 1;
        check(c, found.has_value(), "line " + c.text, found ? out_.at(*found) : "no such line");
        break;
    }
    case op::expect_no_line: {
        const auto found = out_.find(c.text, cursor_);
        check(c, !found, "no line " + c.text, found ? out_.at(*found) : "");
        break;
    }
    case op::expect_page: {
        if (!sys_.pages().is_open()) {
            check(c, false, "page " + std::to_string(c.number) + " " + c.text, "no page open");
            break;
        }
        const auto s = sys_.pages().control(static_cast<int>(c.number));
        if (!s) {
            check(c, false, "page " + std::to_string(c.number) + " " + c.text, "no such control");
            break;
        }
        bool ok = false;
        if (c.text == "checked") ok = s->checked;
        else if (c.text == "unchecked") ok = !s->checked;
        else if (c.text == "enabled") ok = s->enabled;
        else if (c.text == "disabled") ok = !s->enabled;
        else if (c.text == "shown") ok = s->visible;
        else if (c.text == "hidden") ok = !s->visible;
        check(c, ok, "page " + std::to_string(c.number) + " " + c.text,
              "checked=" + yes_no(s->checked) + " enabled=" + yes_no(s->enabled) + " visible=" + yes_no(s->visible));
        break;
    }
    case op::expect_config: {
        host_.collect_config();
        const config_bytes* v = store_.find(c.guid);
        const std::string what = "config " + format_guid(c.guid) + " " + (c.flag ? "absent" : format_hex(c.bytes));
        check(c, c.flag ? v == nullptr : v && *v == c.bytes, what, v ? format_hex(*v) : "absent");
        break;
    }
    default:
        break;
    }
}

}  // namespace player
