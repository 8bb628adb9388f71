#include "rig.h"

#include <poll.h>
#include <signal.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace e2e {

namespace {

volatile sig_atomic_t interrupted = 0;

void on_signal(int) { interrupted = 1; }

bool starts_with(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

const char* side_name(side s) { return s == side::player ? "player" : "device"; }

// The --timestamps stamp of the device and the player: digits, a dot, three
// digits, a blank.
bool split_stamp(const std::string& text, double& stamp, std::string& rest) {
    const std::size_t blank = text.find(' ');
    if (blank == std::string::npos || blank == 0) return false;
    for (std::size_t i = 0; i < blank; ++i)
        if (!(std::isdigit(static_cast<unsigned char>(text[i])) || text[i] == '.')) return false;
    stamp = std::strtod(text.c_str(), nullptr);
    rest = text.substr(blank + 1);
    return true;
}

// What the demo leaves out: the machinery, not the story.
bool quiet_in_demo(side s, const std::string& text) {
    if (text.find("e2e-sync-") != std::string::npos) return true;
    if (s == side::device)
        return (starts_with(text, "frame ") && text != "frame quit") || starts_with(text, "raw ") ||
               starts_with(text, "status ");
    return text == "event: main_thread_callback" || starts_with(text, "event: time ");
}

}  // namespace

void install_interrupt_handlers() {
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = on_signal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

std::string hex_spaced(const std::vector<unsigned char>& bytes) {
    std::string out;
    char buf[4];
    for (unsigned char b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X", b);
        if (!out.empty()) out += ' ';
        out += buf;
    }
    return out;
}

std::string hex_packed(const std::vector<unsigned char>& bytes) {
    std::string out;
    char buf[4];
    for (unsigned char b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X", b);
        out += buf;
    }
    return out;
}

rig::rig(paths where, echo_style echo, double time_limit_ms)
    : paths_(std::move(where)), echo_(echo), started_ms_(now_ms()), deadline_ms_(started_ms_ + time_limit_ms) {}

rig::~rig() {
    // Whatever happened, nothing this run started outlives it. The player
    // first: it says goodbye to the device, which then unplugs itself.
    try {
        if (player_ && player_->running()) {
            player_->send("quit");
            player_->close_input();
            const double until = now_ms() + 10000;
            while (player_->running() && now_ms() < until) pump(50);
        }
        if (player_) player_->stop(3000);
        if (device_ && device_->running()) {
            device_->send("quit");
            device_->close_input();
            const double until = now_ms() + 15000;
            while (device_->running() && now_ms() < until) pump(50);
        }
        if (device_) device_->stop(5000);
        pump(0);
    } catch (...) {
        if (player_) player_->stop(1000);
        if (device_) device_->stop(1000);
    }
}

void rig::check_time() {
    if (interrupted) throw failure("interrupted");
    if (!fatal_.empty()) {
        const std::string what = fatal_;
        fatal_.clear();
        throw failure("unexpected line: " + what);
    }
    if (now_ms() > deadline_ms_) throw failure("the run went past its time limit");
}

void rig::add_line(side s, bool is_err, std::string text) {
    if (!text.empty() && text.back() == '\r') text.pop_back();
    line l;
    l.arrived_ms = now_ms();
    if (!is_err && (s == side::device || player_stamps_)) {
        std::string rest;
        if (split_stamp(text, l.stamp_ms, rest)) text = rest;
    }
    l.text = text;
    const char* name = side_name(s);
    switch (echo_) {
    case echo_style::test:
        std::printf("%9.3f %s%s | %s\n", (l.arrived_ms - started_ms_) / 1000.0, name, is_err ? "!" : "", text.c_str());
        break;
    case echo_style::demo:
        if (!quiet_in_demo(s, text)) std::printf("%s%s | %s\n", name, is_err ? "!" : "", text.c_str());
        break;
    case echo_style::none:
        break;
    }
    std::fflush(stdout);
    if (is_err) return;  // diagnostics are shown, never matched
    if (!errors_allowed_ && fatal_.empty()) {
        if (s == side::player && starts_with(text, "error:")) fatal_ = "player | " + text;
        if (s == side::device && starts_with(text, "error ")) fatal_ = "device | " + text;
    }
    of(s).lines.push_back(std::move(l));
}

void rig::read_stream(int fd, std::string& pending, side s, bool is_err) {
    char buf[8192];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) break;
        pending.append(buf, static_cast<std::size_t>(n));
        std::size_t nl;
        while ((nl = pending.find('\n')) != std::string::npos) {
            add_line(s, is_err, pending.substr(0, nl));
            pending.erase(0, nl + 1);
        }
    }
}

void rig::pump(int timeout_ms) {
    struct source {
        child* c;
        bool err;
        side s;
        std::string* pending;
    };
    std::vector<source> sources;
    std::vector<struct pollfd> fds;
    auto add = [&](child* c, side s, std::string& out, std::string& err) {
        if (!c) return;
        if (c->out_fd() >= 0) {
            sources.push_back({c, false, s, &out});
            fds.push_back({c->out_fd(), POLLIN, 0});
        }
        if (c->err_fd() >= 0) {
            sources.push_back({c, true, s, &err});
            fds.push_back({c->err_fd(), POLLIN, 0});
        }
    };
    add(player_.get(), side::player, player_out_, player_err_);
    add(device_.get(), side::device, device_out_, device_err_);
    if (fds.empty()) {
        if (timeout_ms > 0) poll(nullptr, 0, timeout_ms);
        return;
    }
    const int n = poll(fds.data(), fds.size(), timeout_ms);
    if (n <= 0) return;
    bool hung_up = false;
    for (std::size_t i = 0; i < fds.size(); ++i) {
        if (fds[i].revents == 0) continue;
        read_stream(fds[i].fd, *sources[i].pending, sources[i].s, sources[i].err);
        if (fds[i].revents & (POLLHUP | POLLERR)) hung_up = true;
    }
    if (hung_up) {
        // A stream ended: once the program has ended too, stop watching its pipes.
        for (child* c : {player_.get(), device_.get()})
            if (c && !c->running()) finish_output(*c);
        // Still running with a closed pipe: don't spin on it.
        poll(nullptr, 0, 5);
    }
}

void rig::finish_output(child& c) {
    const bool is_player = &c == player_.get();
    const side s = is_player ? side::player : side::device;
    if (c.out_fd() >= 0) read_stream(c.out_fd(), is_player ? player_out_ : device_out_, s, false);
    if (c.err_fd() >= 0) read_stream(c.err_fd(), is_player ? player_err_ : device_err_, s, true);
    c.close_output();
}

void rig::pump_for(int ms) {
    const double until = now_ms() + ms;
    for (;;) {
        check_time();
        const double left = until - now_ms();
        if (left <= 0) break;
        pump(static_cast<int>(left) + 1);
    }
}

std::ptrdiff_t rig::find(side s, const std::string& text, std::size_t from) const {
    const transcript& t = s == side::player ? player_log_ : device_log_;
    for (std::size_t i = from; i < t.lines.size(); ++i)
        if (t.lines[i].text.find(text) != std::string::npos) return static_cast<std::ptrdiff_t>(i);
    return -1;
}

int rig::count(side s, const std::string& text, std::size_t from, std::size_t to) const {
    const transcript& t = s == side::player ? player_log_ : device_log_;
    int n = 0;
    for (std::size_t i = from; i < t.lines.size() && i < to; ++i)
        if (t.lines[i].text.find(text) != std::string::npos) ++n;
    return n;
}

line rig::wait(side s, const std::string& text, int timeout_ms) {
    transcript& t = of(s);
    child* c = s == side::player ? player_.get() : device_.get();
    const double deadline = now_ms() + timeout_ms;
    for (;;) {
        check_time();
        const std::ptrdiff_t i = find(s, text, t.cursor);
        if (i >= 0) {
            t.cursor = static_cast<std::size_t>(i) + 1;
            return t.lines[static_cast<std::size_t>(i)];
        }
        if (!c) throw failure(std::string("the ") + side_name(s) + " is not running");
        if (!c->running()) {
            finish_output(*c);
            if (find(s, text, t.cursor) >= 0) continue;
            throw failure(std::string("the ") + side_name(s) + " ended (status " + std::to_string(c->exit_code()) +
                          ") before a line holding \"" + text + "\"");
        }
        const double left = deadline - now_ms();
        if (left <= 0)
            throw failure(std::string("no ") + side_name(s) + " line holding \"" + text + "\" within " +
                          std::to_string(timeout_ms) + " ms");
        pump(static_cast<int>(left) + 1);
    }
}

void rig::sync(side s, int timeout_ms) {
    const std::string marker = "e2e-sync-" + std::to_string(++markers_);
    const std::size_t from = of(s).lines.size();
    if (s == side::player)
        player("echo " + marker);
    else
        device("echo " + marker);
    const double deadline = now_ms() + timeout_ms;
    while (find(s, marker, from) < 0) {
        check_time();
        if (now_ms() > deadline) throw failure(std::string("the ") + side_name(s) + " did not answer a marker");
        pump(50);
    }
}

void rig::expect(const std::string& what) {
    const std::size_t from = player_log_.lines.size();
    player("expect " + what);
    const double deadline = now_ms() + 10000;
    for (;;) {
        check_time();
        const std::ptrdiff_t i = find(side::player, "expect: ", from);
        if (i >= 0) {
            const std::string& text = player_log_.lines[static_cast<std::size_t>(i)].text;
            if (!starts_with(text, "expect: ok")) throw failure("player | " + text);
            return;
        }
        if (now_ms() > deadline) throw failure("the player did not answer: expect " + what);
        pump(50);
    }
}

std::string rig::run_wine(const std::vector<std::string>& args, int timeout_ms) {
    launch how;
    how.argv = {paths_.wine_run, paths_.prefix};
    how.argv.insert(how.argv.end(), args.begin(), args.end());
    how.unset_env = {"LD_PRELOAD"};
    std::string out, error;
    if (!run_to_end(how, timeout_ms, out, error)) throw failure(error);
    return out;
}

void rig::remove_stale_registrations() {
    // The first Wine program of a fresh prefix also makes it: allow for that.
    std::istringstream list(run_wine({paths_.plug, "list"}, 180000));
    std::string text;
    while (std::getline(list, text)) {
        // device <instance-id> port=<PORT|-> hwids=<id1>,<id2>|-
        const std::size_t port_at = text.find(" port=");
        const std::size_t ids_at = text.find(" hwids=");
        if (!starts_with(text, "device ") || port_at == std::string::npos || ids_at == std::string::npos) continue;
        std::string ids = text.substr(ids_at + 7);
        std::transform(ids.begin(), ids.end(), ids.begin(), [](unsigned char ch) { return std::toupper(ch); });
        if (!starts_with(ids, "USB\\VID_1FC9&PID_400F")) continue;
        const std::string port = text.substr(port_at + 6, ids_at - port_at - 6);
        if (port == "-") continue;
        std::printf("harness | removing a stale tavix registration on %s\n", port.c_str());
        run_wine({paths_.plug, "remove", port}, 60000);
    }
}

const std::map<std::string, std::vector<unsigned char>>& rig::buttons() {
    if (!buttons_.empty()) return buttons_;
    launch how;
    how.argv = {paths_.device, "--list-buttons"};
    std::string out, error;
    if (!run_to_end(how, 10000, out, error)) throw failure(error);
    std::istringstream in(out);
    std::string word, name;
    std::string text;
    while (std::getline(in, text)) {
        std::istringstream fields(text);
        if (!(fields >> word >> name) || word != "button") continue;
        std::vector<unsigned char> code;
        std::string byte;
        while (fields >> byte) code.push_back(static_cast<unsigned char>(std::strtoul(byte.c_str(), nullptr, 16)));
        buttons_[name] = code;
    }
    if (buttons_.empty()) throw failure("tavix-device --list-buttons printed no buttons");
    return buttons_;
}

std::string rig::start_device(const std::vector<std::string>& extra) {
    launch how;
    how.argv = {paths_.device, "--prefix", paths_.prefix, "--wine", paths_.wine_run, "--plug", paths_.plug,
                "--timestamps"};
    how.argv.insert(how.argv.end(), extra.begin(), extra.end());
    how.unset_env = {"LD_PRELOAD"};
    device_ = std::make_unique<child>();
    std::string error;
    if (!device_->start(how, error)) throw failure("tavix-device: " + error);
    // Registration runs tavix-plug.exe, which makes the prefix the first time.
    const line plugged = wait(side::device, "event plugged ", 180000);
    const std::size_t at = plugged.text.find("port=");
    const std::size_t end = plugged.text.find(' ', at);
    if (at == std::string::npos) throw failure("no port in: " + plugged.text);
    port_ = plugged.text.substr(at + 5, end == std::string::npos ? std::string::npos : end - at - 5);
    if (plugged.text.find("registered=yes") == std::string::npos) throw failure("the device is not registered");
    return port_;
}

void rig::device(const std::string& command) {
    if (!device_ || !device_->send(command)) throw failure("the device takes no more commands: " + command);
}

void rig::stop_device() {
    if (!device_) return;
    device("quit");
    device_->close_input();
    wait(side::device, "event exiting status=", 20000);
    if (!device_->wait_exit(10000)) throw failure("the device did not end");
    finish_output(*device_);
    if (device_->exit_code() != 0)
        throw failure("the device ended with status " + std::to_string(device_->exit_code()));
}

void rig::start_player(const std::string& config, const std::vector<std::string>& extra) {
    launch how;
    how.argv = {paths_.wine_run, paths_.prefix, paths_.player, "--components", paths_.components};
    if (config.empty()) {
        how.argv.push_back("--no-config");
    } else {
        how.argv.push_back("--config");
        how.argv.push_back(config);
    }
    how.argv.insert(how.argv.end(), extra.begin(), extra.end());
    how.argv.push_back("-");
    player_stamps_ = std::find(extra.begin(), extra.end(), "--timestamps") != extra.end();
    // Wine only: the shim makes comm-event waits work on a pty-backed port.
    if (!paths_.shim.empty())
        how.set_env.push_back({"LD_PRELOAD", paths_.shim});
    else
        how.unset_env = {"LD_PRELOAD"};
    player_ = std::make_unique<child>();
    player_log_ = transcript();
    player_out_.clear();
    player_err_.clear();
    std::string error;
    if (!player_->start(how, error)) throw failure("tavix-player: " + error);
    wait(side::player, "player: reading commands", 120000);
}

pid_t rig::player_pid() const {
    if (!player_) return -1;
    const pid_t pid = find_process(player_->pid(), "tavix-player.exe");
    if (pid <= 0) throw failure("cannot find the player's process under pid " + std::to_string(player_->pid()));
    return pid;
}

void rig::player(const std::string& command) {
    if (!player_ || !player_->send(command)) throw failure("the player takes no more commands: " + command);
}

void rig::quit_player() {
    // Was the device's port open? Then the goodbye must reach it.
    bool open = false;
    for (const line& l : device_log_.lines) {
        if (l.text == "event opened") open = true;
        if (l.text == "event closed") open = false;
    }
    const std::size_t from = device_log_.lines.size();
    player("quit");
    wait(side::player, "player: quit", 20000);
    player_->close_input();
    if (!player_->wait_exit(20000)) throw failure("the player did not end after quit");
    finish_output(*player_);
    if (player_->exit_code() != 0)
        throw failure("the player ended with status " + std::to_string(player_->exit_code()));
    if (!open) return;
    device_log_.cursor = std::max(device_log_.cursor, from);
    const line closed = wait(side::device, "event closed", 10000);
    (void)closed;
    const std::size_t closed_at = device_log_.cursor - 1;
    sync(side::device);
    std::string last_frame;
    for (std::size_t i = from; i < closed_at; ++i)
        if (starts_with(device_log_.lines[i].text, "frame ")) last_frame = device_log_.lines[i].text;
    if (last_frame != "frame quit")
        throw failure("the last frame before the port closed was \"" + last_frame + "\", not the quit frame");
    if (count(side::device, "frame quit", from) != 1) throw failure("the quit frame came more than once");
    if (count(side::device, "garbage", from) != 0) throw failure("the device got bytes that are no frame at shutdown");
}

}  // namespace e2e
