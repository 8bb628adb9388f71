#include "tools/device/device_app.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tools/device/remote.h"

namespace tavix::device {

namespace {

// Bytes the opener wrote just before closing may still be on their way
// through the pty when the close is noticed; the close is reported this much
// later so that they come first (the quit frame, above all).
constexpr long long close_settle_ms = 20;

int signal_pipe[2] = {-1, -1};

void on_signal(int)
{
    int saved = errno;
    char c = 1;
    if (write(signal_pipe[1], &c, 1) < 0) {
    }
    errno = saved;
}

long long now_ms()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

std::size_t kind_index(FrameKind kind)
{
    switch (kind) {
    case FrameKind::quit: return 1;
    case FrameKind::track: return 2;
    case FrameKind::time: return 3;
    }
    return 0;
}

bool is_directory(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

DeviceApp::DeviceApp(Options options) : opt_(std::move(options))
{
    registrar_.wine = opt_.wine;
    registrar_.plug_exe = opt_.plug_exe;
    registrar_.prefix = opt_.prefix;
    dosdevices_ = opt_.prefix + "/dosdevices";
}

void DeviceApp::say(const std::string& line)
{
    if (output_broken_)
        return;
    std::string text;
    if (opt_.timestamps) {
        // The clock Wine's QueryPerformanceCounter and GetTickCount64 count, so
        // a program under Wine can stamp its own lines comparably.
        timespec ts;
        clock_gettime(CLOCK_MONOTONIC_RAW, &ts);
        char buf[48];
        std::snprintf(buf, sizeof buf, "%lld.%03ld ",
                      static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000,
                      (ts.tv_nsec / 1000) % 1000);
        text = buf;
    }
    text += line;
    text += '\n';
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(1, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // Nobody is listening any more: wind down cleanly.
            output_broken_ = true;
            quit_ = true;
            return;
        }
        done += static_cast<std::size_t>(n);
    }
}

void DeviceApp::fail(const std::string& message)
{
    ++failures_;
    say("error " + message);
}

void DeviceApp::on_frame(const DecodedFrame& frame)
{
    if (opt_.raw)
        say("raw " + hex_text(frame.raw));
    say(frame_line(frame));
    ++frames_[0];
    ++frames_[kind_index(frame.kind)];
    if (auto line = display_.apply(frame); line && opt_.display)
        say(*line);
}

void DeviceApp::on_garbage(const std::vector<std::uint8_t>& bytes)
{
    say("garbage " + hex_text(bytes));
}

bool DeviceApp::plug_device(std::string& error)
{
    if (port_name_.empty()) {
        port_name_ = opt_.port == "auto" ? choose_free_port(dosdevices_) : opt_.port;
        if (port_name_.empty()) {
            error = "no free COM port name in " + dosdevices_;
            return false;
        }
        for (char& c : port_name_)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
    }
    // Registering first lets Wine make a prefix that does not exist yet.
    if (opt_.register_device) {
        std::string output;
        if (!registrar_.run({"add", "--replace", port_name_, opt_.hardware_id}, output, error)) {
            error = "registering the device failed: " + error + (output.empty() ? "" : ": " + output);
            return false;
        }
        registered_ = true;
    }
    if (!is_directory(opt_.prefix)) {
        error = "no such Wine prefix: " + opt_.prefix;
    } else if (!is_directory(dosdevices_) && ::mkdir(dosdevices_.c_str(), 0777) != 0) {
        error = "cannot make " + dosdevices_ + ": " + std::strerror(errno);
    } else if (port_.plug(dosdevices_, port_name_, opt_.force, error)) {
        say("event plugged port=" + port_name_ + " pty=" + port_.pty_path() +
            " link=" + port_.link_path() + " registered=" + (registered_ ? "yes" : "no"));
        return true;
    }
    if (registered_) {
        std::string output, ignored;
        registrar_.run({"remove", port_name_}, output, ignored);
        registered_ = false;
    }
    return false;
}

void DeviceApp::unplug_device()
{
    if (port_.plugged()) {
        read_link();
        on_link_changes();
        if (announced_open_)
            finish_close();
    }
    port_.unplug();
    greet_due_.reset();
    if (registered_) {
        std::string output, error;
        if (!registrar_.run({"remove", port_name_}, output, error))
            fail("unregistering the device failed: " + error + (output.empty() ? "" : ": " + output));
        registered_ = false;
    }
    say("event unplugged port=" + port_name_);
}

void DeviceApp::on_link_changes()
{
    for (LinkChange change : port_.read_changes()) {
        if (change == LinkChange::closed) {
            close_due_ = now_ms() + close_settle_ms;
            greet_due_.reset();
        } else {
            if (announced_open_)
                finish_close();
            announce_open();
        }
    }
}

void DeviceApp::announce_open()
{
    port_.discard_unread();
    announced_open_ = true;
    say("event opened");
    if (opt_.greeting)
        greet_due_ = now_ms() + opt_.greeting_delay_ms;
}

void DeviceApp::finish_close()
{
    read_link();
    decoder_.flush();
    port_.discard_unread();
    announced_open_ = false;
    close_due_.reset();
    greet_due_.reset();
    say("event closed");
}

void DeviceApp::read_link()
{
    std::uint8_t buf[4096];
    for (;;) {
        long n = port_.read_bytes(buf, sizeof buf);
        if (n <= 0)
            break;
        decoder_.feed(buf, static_cast<std::size_t>(n));
    }
}

void DeviceApp::transmit(const std::string& what, const std::vector<std::uint8_t>& bytes)
{
    // A device whose port nobody has open has no one to talk to; the bytes are
    // lost, as they would be on the USB link.
    if (!link_up()) {
        say("dropped " + what + " " + hex_text(bytes));
        return;
    }
    long n = port_.write_bytes(bytes.data(), bytes.size());
    if (n != static_cast<long>(bytes.size())) {
        say("dropped " + what + " " + hex_text(bytes));
        return;
    }
    say("sent " + what + " " + hex_text(bytes));
}

void DeviceApp::read_input()
{
    char buf[4096];
    ssize_t n = ::read(input_fd_, buf, sizeof buf);
    if (n < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (n <= 0) {
        input_eof_ = true;
        if (!input_buf_.empty())
            lines_.push_back(std::move(input_buf_));
        input_buf_.clear();
        return;
    }
    input_buf_.append(buf, static_cast<std::size_t>(n));
    std::size_t pos;
    while ((pos = input_buf_.find('\n')) != std::string::npos) {
        lines_.push_back(input_buf_.substr(0, pos));
        input_buf_.erase(0, pos + 1);
    }
}

void DeviceApp::start(const std::string& line)
{
    ParsedCommand parsed = parse_command(line);
    if (opt_.echo && (!parsed.ok || parsed.command.kind != CommandKind::nothing))
        say("command " + line);
    if (!parsed.ok) {
        fail(parsed.error);
        return;
    }
    const Command& c = parsed.command;
    long long now = now_ms();
    switch (c.kind) {
    case CommandKind::nothing:
        return;
    case CommandKind::press:
        transmit(c.button, c.bytes);
        return;
    case CommandKind::send:
        transmit("raw", c.bytes);
        return;
    case CommandKind::greet:
        transmit("greeting", c.bytes);
        return;
    case CommandKind::echo:
        say(c.text.empty() ? "note" : "note " + c.text);
        return;
    case CommandKind::status:
        say(std::string("status plugged=") + (port_.plugged() ? "yes" : "no") + " port=" +
            port_name_ + " pty=" + (port_.plugged() ? port_.pty_path() : "-") +
            " open=" + (link_up() ? "yes" : "no") + " registered=" + (registered_ ? "yes" : "no") +
            " frames=" + std::to_string(frames_[0]));
        return;
    case CommandKind::buttons:
        for (const Button& b : remote_buttons())
            say(std::string("button ") + b.name + " " + hex_text(b.code.data(), b.code.size()));
        return;
    case CommandKind::quit:
        quit_ = true;
        return;
    case CommandKind::unplug:
        if (!port_.plugged())
            fail("unplug: not plugged");
        else
            unplug_device();
        return;
    case CommandKind::plug:
        if (port_.plugged()) {
            fail("plug: already plugged");
        } else {
            std::string error;
            if (!plug_device(error))
                fail("plug: " + error);
        }
        return;
    case CommandKind::wait:
    case CommandKind::wait_open:
    case CommandKind::wait_closed:
    case CommandKind::wait_frame:
        break;
    }
    active_ = c;
    active_deadline_.reset();
    if (c.kind == CommandKind::wait || c.ms > 0)
        active_deadline_ = now + c.ms;
    active_base_ = frames_[c.frame ? kind_index(*c.frame) : 0];
    check_active(now);
}

void DeviceApp::check_active(long long now)
{
    if (!active_)
        return;
    const Command& c = *active_;
    bool done = false;
    switch (c.kind) {
    case CommandKind::wait_open: done = link_up(); break;
    case CommandKind::wait_closed: done = !announced_open_; break;
    case CommandKind::wait_frame: done = frames_[c.frame ? kind_index(*c.frame) : 0] > active_base_; break;
    default: break;
    }
    if (!done && active_deadline_ && now >= *active_deadline_) {
        if (c.kind != CommandKind::wait)
            fail(c.name + " timed out after " + std::to_string(c.ms) + " ms");
        done = true;
    }
    if (done) {
        active_.reset();
        active_deadline_.reset();
    }
}

void DeviceApp::run_timers(long long now)
{
    if (close_due_ && now >= *close_due_)
        finish_close();
    if (greet_due_ && now >= *greet_due_) {
        greet_due_.reset();
        transmit("greeting", {'O', 'K'});
    }
    check_active(now);
}

std::optional<long long> DeviceApp::next_deadline() const
{
    std::optional<long long> next;
    for (const std::optional<long long>& t : {close_due_, greet_due_, active_deadline_})
        if (t && (!next || *t < *next))
            next = t;
    return next;
}

int DeviceApp::run()
{
    if (pipe2(signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::fprintf(stderr, "tavix-device: pipe: %s\n", std::strerror(errno));
        return exit_fatal;
    }
    struct sigaction sa = {};
    sa.sa_handler = on_signal;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        sigaction(sig, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);

    if (opt_.script.empty()) {
        input_fd_ = 0;
    } else {
        input_fd_ = ::open(opt_.script.c_str(), O_RDONLY | O_CLOEXEC);
        if (input_fd_ < 0) {
            std::fprintf(stderr, "tavix-device: cannot open %s: %s\n", opt_.script.c_str(),
                         std::strerror(errno));
            return exit_fatal;
        }
    }

    std::string error;
    if (!plug_device(error)) {
        say("error " + error);
        std::fprintf(stderr, "tavix-device: %s\n", error.c_str());
        return exit_fatal;
    }

    while (!quit_) {
        long long now = now_ms();
        run_timers(now);
        while (!quit_ && !active_ && !lines_.empty()) {
            std::string line = std::move(lines_.front());
            lines_.pop_front();
            start(line);
        }
        if (quit_)
            break;
        if (!active_ && lines_.empty() && input_eof_ && !opt_.stay)
            break;

        pollfd fds[4];
        nfds_t count = 0;
        int input_slot = -1, master_slot = -1, watch_slot = -1;
        fds[count++] = {signal_pipe[0], POLLIN, 0};
        if (!input_eof_ && !active_ && lines_.empty()) {
            input_slot = static_cast<int>(count);
            fds[count++] = {input_fd_, POLLIN, 0};
        }
        if (port_.plugged()) {
            master_slot = static_cast<int>(count);
            fds[count++] = {port_.master_fd(), POLLIN, 0};
            watch_slot = static_cast<int>(count);
            fds[count++] = {port_.watch_fd(), POLLIN, 0};
        }
        int timeout = -1;
        if (auto next = next_deadline())
            timeout = static_cast<int>(std::max(0LL, *next - now_ms()));
        int ready = poll(fds, count, timeout);
        if (ready < 0 && errno != EINTR) {
            fail(std::string("poll: ") + std::strerror(errno));
            break;
        }
        if (ready <= 0)
            continue;
        if (fds[0].revents) {
            quit_ = true;
            break;
        }
        // Data before open/close notices: what an opener wrote before closing
        // belongs to that opening.
        if (master_slot >= 0 && fds[master_slot].revents)
            read_link();
        if (watch_slot >= 0 && fds[watch_slot].revents)
            on_link_changes();
        if (input_slot >= 0 && fds[input_slot].revents)
            read_input();
    }

    if (port_.plugged())
        unplug_device();
    int status = failures_ ? exit_command_failed : exit_ok;
    say("event exiting status=" + std::to_string(status));
    return status;
}

}  // namespace tavix::device
