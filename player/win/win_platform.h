// The player on Windows: component libraries loaded from a folder, the
// main thread's message loop, standard input read on a helper thread and
// handed over as lines, and the preferences window.
#pragma once

#include <windows.h>

#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "player/core/output_log.h"
#include "player/host/platform.h"
#include "player/win/page_window.h"

namespace player {

class win_platform final : public platform {
public:
    win_platform(output_log& out, std::string components_dir);
    ~win_platform() override;
    win_platform(const win_platform&) = delete;
    win_platform& operator=(const win_platform&) = delete;

    // Starts reading standard input (interactive use).
    void start_input();

    int load_components(component_host& host) override;
    void wait_and_dispatch(std::int64_t timeout_ms) override;
    void wake() override;
    std::int64_t now_ms() override;
    std::optional<std::string> take_input_line(bool& eof) override;
    page_view& pages() override { return pages_; }

private:
    static DWORD WINAPI input_thread(void* self);
    bool dispatch_waiting();

    output_log& out_;
    std::string components_dir_;
    HANDLE wake_event_;
    HANDLE input_event_;
    std::mutex input_mutex_;
    std::deque<std::string> input_lines_;
    bool input_ended_ = false;
    page_window pages_;
    std::vector<HMODULE> modules_;
};

}  // namespace player
