// Key learning: while a learn button of the preferences page is pressed in,
// the receiver only collects bytes, and a whole code becomes that button's
// entry in the code table. Main thread only.
#pragma once

#include <cstdint>

// The page's controls as learning sees them, addressed by control id. The
// Windows edge reaches the real dialog; tests put a fake here.
class learn_page_io {
public:
    // Whether the button is pressed in (BST_CHECKED).
    virtual bool is_checked(int id) = 0;
    virtual void set_checked(int id, bool checked) = 0;
    virtual void enable(int id, bool enabled) = 0;
    // Sends the page its refresh message (WM_USER + 1) and returns once the
    // page has handled it; nothing happens when the page is gone.
    virtual void send_refresh() = 0;
    // The receiver's clock: milliseconds, wrapping at 2^32.
    virtual std::uint32_t tick_count() = 0;

protected:
    ~learn_page_io() = default;
};

// The page learning talks to until set_learn_page_io says otherwise: the
// preferences dialog in the Windows build, nothing natively.
learn_page_io& default_learn_page_io();

// Makes `io` the page of every later refresh and capture; nullptr goes back
// to the default. Returns the one active before.
learn_page_io* set_learn_page_io(learn_page_io* io);

// The page's refresh message, sent by a capture and handled by the page.
constexpr unsigned learn_page_refresh_message = 0x401;

// Whether `id` is one of the eleven learn buttons.
bool is_learn_button(int id);

// Brings the page's controls and learning_state in line with the enable flag
// and the learn buttons pressed in, printing what it starts and ends.
void refresh_learn_page();

// Stores the code-length bytes of the receive window in the slot being
// learned, releases its button and has the page refresh. Run by the receiver
// when a notification leaves exactly a code's worth of bytes while learning.
void capture_code();
