// What the player's session needs from the system it runs on: finding and
// loading component libraries, the message loop, a clock, console input and
// the preferences window. The Windows host implements it over Win32; tests
// use a fake.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "player/host/component_host.h"

namespace player {

struct control_state {
    int id = 0;
    std::string text;
    bool checked = false;
    bool enabled = false;
    bool visible = false;
};

enum class press_result { done, no_control, disabled, hidden };

// The player's preferences window with at most one component page in it.
class page_view {
public:
    virtual ~page_view() = default;
    virtual bool is_open() const = 0;
    // Makes the page's dialog in a window of the player's (preferences_page
    // create with that window as parent). false, with a reason, on failure.
    virtual bool open(preferences_page& page, std::string& error) = 0;
    // Shows or hides the page (and the window around it).
    virtual void show(bool visible) = 0;
    virtual bool is_visible() const = 0;
    // Destroys the page's dialog, as the player does when its window closes.
    virtual void close() = 0;
    // Whether a user could press control `id` now: not on a disabled
    // control or a hidden page.
    virtual press_result can_press(int id) const = 0;
    // A mouse click on a button, as a user would make it (refused as
    // can_press says).
    virtual press_result click(int id) = 0;
    // Sets a check box's state, then tells the page as its control would.
    virtual press_result set_check(int id, bool checked) = 0;
    virtual std::optional<control_state> control(int id) const = 0;
    virtual std::vector<control_state> controls() const = 0;
};

class platform {
public:
    virtual ~platform() = default;
    // Loads every component library and hands each export's client to
    // host.attach(). Returns how many were attached; reports problems itself.
    virtual int load_components(component_host& host) = 0;
    // Dispatches waiting window messages; if there were none, waits up to
    // timeout_ms (0: don't wait, negative: until something happens) for a
    // message, a line of input or a wake-up, and dispatches what came.
    virtual void wait_and_dispatch(std::int64_t timeout_ms) = 0;
    // Tells a waiting wait_and_dispatch() to return; any thread may call it.
    virtual void wake() = 0;
    // Monotonic milliseconds.
    virtual std::int64_t now_ms() = 0;
    // The next line typed, if one is waiting; `eof` once input has ended.
    virtual std::optional<std::string> take_input_line(bool& eof) = 0;
    virtual page_view& pages() = 0;
};

}  // namespace player
