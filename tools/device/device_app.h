// The virtual tavix: a pty-backed COM port in a Wine prefix, a remote control
// driven by commands, and a display that shows the frames the PC sends.
#pragma once

#include <deque>
#include <optional>
#include <string>

#include "tools/device/commands.h"
#include "tools/device/frame_decoder.h"
#include "tools/device/options.h"
#include "tools/device/registrar.h"
#include "tools/device/report.h"
#include "tools/device/virtual_port.h"

namespace tavix::device {

enum ExitStatus { exit_ok = 0, exit_fatal = 1, exit_usage = 2, exit_command_failed = 3 };

class DeviceApp : private FrameSink {
public:
    explicit DeviceApp(Options options);
    int run();

private:
    // Output: one line per event, flushed at once.
    void say(const std::string& line);
    void fail(const std::string& message);

    // FrameSink
    void on_frame(const DecodedFrame& frame) override;
    void on_garbage(const std::vector<std::uint8_t>& bytes) override;

    bool plug_device(std::string& error);
    void unplug_device();
    void on_link_changes();
    void announce_open();
    void finish_close();
    void read_link();
    bool link_up() const { return announced_open_ && !close_due_; }
    void transmit(const std::string& what, const std::vector<std::uint8_t>& bytes);

    void read_input();
    void start(const std::string& line);
    void check_active(long long now);
    void run_timers(long long now);
    std::optional<long long> next_deadline() const;

    Options opt_;
    Registrar registrar_;
    std::string dosdevices_;
    std::string port_name_;
    VirtualPort port_;
    bool registered_ = false;

    FrameDecoder decoder_{*this};
    DisplayModel display_;
    unsigned long frames_[4] = {};   // any, quit, track, time

    bool announced_open_ = false;
    std::optional<long long> close_due_;
    std::optional<long long> greet_due_;

    std::optional<Command> active_;
    std::optional<long long> active_deadline_;
    unsigned long active_base_ = 0;

    int input_fd_ = -1;
    bool input_eof_ = false;
    std::string input_buf_;
    std::deque<std::string> lines_;

    bool quit_ = false;
    bool output_broken_ = false;
    int failures_ = 0;
};

}  // namespace tavix::device
