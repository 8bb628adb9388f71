// The player's preferences window: a frame of its own that holds one
// component page, made by the page's create() with the frame as parent.
#pragma once

#include <windows.h>

#include "player/core/output_log.h"
#include "player/host/platform.h"

namespace player {

class page_window final : public page_view {
public:
    explicit page_window(output_log& out) : out_(out) {}
    ~page_window() override;
    page_window(const page_window&) = delete;
    page_window& operator=(const page_window&) = delete;

    bool is_open() const override { return dialog_ != nullptr; }
    bool open(preferences_page& page, std::string& error) override;
    void show(bool visible) override;
    bool is_visible() const override;
    void close() override;
    press_result can_press(int id) const override;
    press_result click(int id) override;
    press_result set_check(int id, bool checked) override;
    std::optional<control_state> control(int id) const override;
    std::vector<control_state> controls() const override;

    // Keyboard navigation inside the page, for a person at the window.
    bool translate(MSG& msg);

private:
    static LRESULT CALLBACK frame_proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    bool make_frame(std::string& error);
    HWND usable_control(int id, press_result& refusal) const;

    output_log& out_;
    HWND frame_ = nullptr;
    HWND dialog_ = nullptr;
};

}  // namespace player
