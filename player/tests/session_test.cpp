// The session hosting the test component, linked in, on a fake platform
// whose clock moves only when the session waits.
#include "player/host/session.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <fstream>
#include <functional>
#include <sstream>

#include "player/tests/test_component/test_component.h"
#include "sdk/cfg_var.h"
#include "sdk/component_client.h"

namespace player {
namespace {

class no_pages final : public page_view {
public:
    bool is_open() const override { return false; }
    bool open(preferences_page&, std::string& error) override {
        error = "no windows here";
        return false;
    }
    void show(bool) override {}
    bool is_visible() const override { return false; }
    void close() override {}
    press_result can_press(int) const override { return press_result::no_control; }
    press_result click(int) override { return press_result::no_control; }
    press_result set_check(int, bool) override { return press_result::no_control; }
    std::optional<control_state> control(int) const override { return std::nullopt; }
    std::vector<control_state> controls() const override { return {}; }
};

class fake_platform final : public platform {
public:
    std::int64_t now = 1000000;
    std::deque<std::string> input;
    bool input_closed = false;
    int wakes = 0;
    // Runs once, at the first wait that lets time pass at or after `at`:
    // a message from the component's other thread arriving.
    std::int64_t message_at = -1;
    std::function<void()> message;

    int load_components(component_host& host) override {
        client_api* client = component_client_attach(&host, nullptr);
        return host.attach(client, "C:\\player\\components\\test_component.dll", "test_component.dll") ? 1 : 0;
    }
    void wait_and_dispatch(std::int64_t timeout_ms) override {
        if (timeout_ms > 0) now += timeout_ms;
        if (message && message_at >= 0 && now >= message_at) {
            auto m = std::move(message);
            message = nullptr;
            m();
        }
    }
    void wake() override { ++wakes; }
    std::int64_t now_ms() override { return now; }
    std::optional<std::string> take_input_line(bool& eof) override {
        eof = input.empty() && input_closed;
        if (input.empty()) return std::nullopt;
        std::string line = input.front();
        input.pop_front();
        return line;
    }
    page_view& pages() override { return pages_; }

private:
    no_pages pages_;
};

struct session_fixture : ::testing::Test {
    output_log out{nullptr};
    fake_platform sys;
    std::string config_path = std::string(::testing::TempDir()) + "player_session_test.cfg";

    void SetUp() override {
        std::remove(config_path.c_str());
        for (cfg_var* v = cfg_var::list(); v; v = v->get_next()) v->reset();
    }
    void TearDown() override {
        component_client_detach();
        std::remove(config_path.c_str());
        std::remove((config_path + ".new").c_str());
    }
    session_options options(bool with_config = false) {
        session_options o;
        if (with_config) o.config_path = config_path;
        o.echo_commands = false;
        return o;
    }
    static std::vector<command> script(const char* text) {
        std::vector<scenario_error> errors;
        auto commands = parse_scenario(text, errors);
        EXPECT_TRUE(errors.empty()) << (errors.empty() ? "" : errors[0].message);
        return commands;
    }
    std::vector<std::string> all_lines() const {
        std::vector<std::string> v;
        for (std::size_t i = 0; i < out.size(); ++i) v.push_back(out.at(i));
        return v;
    }
    std::string dump() const {
        std::string s;
        for (const auto& l : all_lines()) s += l + "\n";
        return s;
    }
    // Index of the first line holding `text`, or -1; the player's own
    // expectation lines included.
    int index_of(const std::string& text) const {
        for (std::size_t i = 0; i < out.size(); ++i)
            if (out.at(i).find(text) != std::string::npos) return static_cast<int>(i);
        return -1;
    }
};

TEST_F(session_fixture, SettingsAreRestoredBeforeStartUpAndSavedAtQuit) {
    {
        std::ofstream f(config_path);
        f << "{5A1E0001-7E57-4C0D-9A11-000000000001} 05000000\n"   // starts = 5
             "{5A1E0003-7E57-4C0D-9A11-000000000003} 6F6C64\n"     // label = "old"
             "{5A1E0004-7E57-4C0D-9A11-000000000004} 0102\n"       // wrong size for the code table
             "{00000000-1111-2222-3333-444444444444} CAFE\n";      // another component's
    }
    session s(out, sys, options(true));
    s.read_config();
    s.run(script("load\nquit\n"));
    EXPECT_EQ(s.failures(), 0) << dump();
    EXPECT_GE(index_of("console: test_component: on_init start=6 enabled=0 label=old code0=0"), 0) << dump();
    EXPECT_GE(index_of("error: test_component.dll: stored value of {5A1E0004-7E57-4C0D-9A11-000000000004} (2 bytes) "
                       "refused; its default stays"),
              0)
        << dump();
    EXPECT_GE(index_of("player: test_component.dll: 2 of 4 settings restored"), 0) << dump();

    std::ifstream f(config_path);
    std::stringstream saved;
    saved << f.rdbuf();
    const std::string text = saved.str();
    EXPECT_NE(text.find("{5A1E0001-7E57-4C0D-9A11-000000000001} 06000000\n"), std::string::npos) << text;
    EXPECT_NE(text.find("{5A1E0003-7E57-4C0D-9A11-000000000003} 7175697420636C65616E6C79\n"), std::string::npos) << text;
    EXPECT_NE(text.find("{5A1E0004-7E57-4C0D-9A11-000000000004} 0000000000000000\n"), std::string::npos) << text;
    // What belongs to nobody here is kept for whoever owns it.
    EXPECT_NE(text.find("{00000000-1111-2222-3333-444444444444} CAFE\n"), std::string::npos) << text;
}

TEST_F(session_fixture, ShutdownStopsPlaybackThenQuitsComponentsThenSaves) {
    session s(out, sys, options(true));
    s.read_config();
    s.run(script("playlist add a.mp3 5\nload\nplay\n"));  // no quit: the end of the scenario quits
    const int stop = index_of("console: test_component: stop reason=3");
    const int on_quit = index_of("console: test_component: on_quit");
    const int saved = index_of("player: settings saved to");
    EXPECT_GE(stop, 0) << dump();
    EXPECT_LT(stop, on_quit);
    EXPECT_LT(on_quit, saved);
    EXPECT_TRUE(s.finished());
}

TEST_F(session_fixture, MainThreadWorkRunsAfterTheNewTrackHandlerAndBeforeTheTracksFirstSecond) {
    session s(out, sys, options());
    s.run(script("playlist add a.mp3 1.2\nplaylist add b.mp3 3\nload\nplay\nadvance 3\n"));
    const int second_track = index_of("console: test_component: new track file://b.mp3");
    const int its_report = index_of("console: test_component: main thread: item 2 of 2");
    const int its_first_second = static_cast<int>(out.find("console: test_component: time 1.0", second_track).value_or(0));
    EXPECT_GT(its_report, second_track) << dump();
    EXPECT_LT(its_report, its_first_second) << dump();
}

TEST_F(session_fixture, RealTimePlaybackTicksWhileTheSessionWaits) {
    session s(out, sys, options());
    s.run(script("playlist add a.mp3 2.5\nload\nrealtime on\nplay\nwait 1999\nexpect no-line event: time 2\n"
                 "wait-for 5000 event: stop 1 eof\nexpect state stopped\n"));
    EXPECT_EQ(s.failures(), 0) << dump();
    EXPECT_GE(index_of("event: time 1"), 0);
    EXPECT_GE(index_of("event: time 2"), 0);
}

TEST_F(session_fixture, WaitForSeesWhatArrivesThroughTheMessageLoopAndFailsAfterItsTime) {
    session s(out, sys, options());
    sys.message_at = sys.now + 300;
    sys.message = [] { test_component::press(1019); };  // the component's window acting on a message
    s.run(script("playlist add a.mp3 9\nplaylist add b.mp3 9\nload\n"
                 "wait-for 1000 call: start 2 paused=0\nexpect track 1\n"
                 "wait-for 200 call: stop\n"));
    EXPECT_EQ(s.failures(), 1) << dump();
    EXPECT_GE(index_of("expect: ok wait-for call: start 2 paused=0"), 0) << dump();
    EXPECT_GE(index_of("expect: FAILED line 6: wait-for call: stop; actual: no such line within 200 ms"), 0) << dump();
}

TEST_F(session_fixture, ExpectationsCountFailuresAndOnlyLookBackAfterQuit) {
    session s(out, sys, options());
    s.run(script("load\nexpect state playing\nvolume -6\nexpect volume -6\nexpect muted off\nquit\n"
                 "expect line console: test_component: on_quit\nplay\nquit\n"));
    EXPECT_EQ(s.failures(), 2) << dump();
    EXPECT_GE(index_of("expect: FAILED line 2: state playing; actual: stopped"), 0) << dump();
    EXPECT_GE(index_of("expect: ok line console: test_component: on_quit"), 0) << dump();
    EXPECT_GE(index_of("error: line 8: the player has quit"), 0) << dump();
}

TEST_F(session_fixture, CommandsThatCannotBeCarriedOutAreErrors) {
    session s(out, sys, options());
    s.run(script("play\nplaylist add a.mp3 3\nplay 2\npage show\nconfig save\nload\nload\n"));
    EXPECT_EQ(s.failures(), 4) << dump();
    EXPECT_GE(index_of("error: line 1: nothing to play: the playlist is empty"), 0) << dump();
    EXPECT_GE(index_of("error: line 3: no item 2 in a playlist of 1"), 0) << dump();
    EXPECT_GE(index_of("error: line 4: no component has a preferences page"), 0) << dump();
    EXPECT_GE(index_of("error: line 5: no settings file to save to"), 0) << dump();
    EXPECT_GE(index_of("player: components are loaded already"), 0) << dump();
}

TEST_F(session_fixture, TypedCommandsRunUntilTheInputEnds) {
    session s(out, sys, options());
    sys.input = {"playlist add a.mp3 2", "load", "fly away", "play", "advance 1", "expect line test_component: time 1.0"};
    sys.input_closed = true;
    s.run_interactive();
    EXPECT_TRUE(s.finished());
    EXPECT_EQ(s.failures(), 0) << dump();  // a typing slip is reported, not counted
    EXPECT_GE(index_of("error: unknown command: fly"), 0) << dump();
    EXPECT_GE(index_of("expect: ok line test_component: time 1.0"), 0) << dump();
    EXPECT_GE(index_of("player: quit"), 0) << dump();
}

}  // namespace
}  // namespace player

namespace player {
namespace {

// A client that answers only its version and counts what else it is asked.
class other_version_client final : public client_api {
public:
    unsigned version = 76;
    int other_calls = 0;
    unsigned get_version() override { return version; }
    service_factory_base* get_service_list() override {
        ++other_calls;
        return nullptr;
    }
    void get_config(config_sink&) override { ++other_calls; }
    bool set_config_item(const GUID&, const void*, std::size_t) override {
        ++other_calls;
        return false;
    }
    void set_library_path(const char*, const char*) override { ++other_calls; }
    void services_init(bool) override { ++other_calls; }
};

TEST(ComponentHost, AComponentOfAnotherVersionIsLeftAlone) {
    output_log out(nullptr);
    playback_engine engine;
    player_services services(engine, out);
    config_store store;
    component_host host(services, out, store);
    other_version_client client;
    EXPECT_FALSE(host.attach(&client, "C:\\c\\old.dll", "old.dll"));
    EXPECT_EQ(client.other_calls, 0);
    EXPECT_TRUE(host.components().empty());
    EXPECT_TRUE(out.find("error: old.dll: component speaks version 76, this player 77; not loaded", 0));

    client.version = client_version;  // the same library, now of the right version, with nothing in it
    EXPECT_TRUE(host.attach(&client, "C:\\c\\new.dll", "new.dll"));
    EXPECT_TRUE(out.find("player: loaded new.dll", 0));
    EXPECT_TRUE(host.pages().empty());
}

}  // namespace
}  // namespace player
