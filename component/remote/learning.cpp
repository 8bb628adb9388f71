#include "component/remote/learning.h"

#include <cstddef>
#include <cstring>

#include "component/host/settings.h"
#include "component/remote/learning_state.h"
#include "component/remote/receiver.h"
#include "component/resources/page_ids.h"
#include "sdk/console.h"

namespace {

struct learn_button {
    int id;
    ircode_slot slot;
    const char* message;
};

// Indexed by learning_state - 1.
constexpr learn_button buttons[] = {
    {IDC_LEARN_PLAY, ircode_play, "foo_tavix: learning play button..."},
    {IDC_LEARN_PAUSE, ircode_pause, "foo_tavix: learning pause button..."},
    {IDC_LEARN_STOP, ircode_stop, "foo_tavix: learning stop button..."},
    {IDC_LEARN_NEXT, ircode_next, "foo_tavix: learning next track button..."},
    {IDC_LEARN_NEXT_RANDOM, ircode_next_random, "foo_tavix: learning next random track button..."},
    {IDC_LEARN_PREVIOUS, ircode_previous, "foo_tavix: learning previous track button..."},
    {IDC_LEARN_FORWARD, ircode_seek_forward, "foo_tavix: learning forward seek button..."},
    {IDC_LEARN_BACKWARD, ircode_seek_backward, "foo_tavix: learning backward seek button..."},
    {IDC_LEARN_VOLUME_UP, ircode_volume_up, "foo_tavix: learning volume up button..."},
    {IDC_LEARN_VOLUME_DOWN, ircode_volume_down, "foo_tavix: learning volume down button..."},
    {IDC_LEARN_MUTE, ircode_mute, "foo_tavix: learning mute button..."},
};
constexpr int button_count = static_cast<int>(sizeof buttons / sizeof buttons[0]);

// The order the buttons are asked for their state: when several are pressed
// in, the last of them here is the one learned.
constexpr int query_order[] = {IDC_LEARN_PLAY,        IDC_LEARN_STOP,     IDC_LEARN_PAUSE,
                               IDC_LEARN_NEXT,        IDC_LEARN_NEXT_RANDOM, IDC_LEARN_PREVIOUS,
                               IDC_LEARN_BACKWARD,    IDC_LEARN_FORWARD,  IDC_LEARN_VOLUME_UP,
                               IDC_LEARN_VOLUME_DOWN, IDC_LEARN_MUTE};

// The order the buttons are enabled and disabled in.
constexpr int enable_order[] = {IDC_LEARN_PLAY,        IDC_LEARN_PAUSE,    IDC_LEARN_STOP,
                                IDC_LEARN_NEXT,        IDC_LEARN_NEXT_RANDOM, IDC_LEARN_PREVIOUS,
                                IDC_LEARN_BACKWARD,    IDC_LEARN_FORWARD,  IDC_LEARN_MUTE,
                                IDC_LEARN_VOLUME_UP,   IDC_LEARN_VOLUME_DOWN};

// The state a pressed-in button stands for: its place in `buttons` plus one.
int state_of_button(int id) {
    for (int i = 0; i < button_count; ++i)
        if (buttons[i].id == id) return i + 1;
    return 0;
}

const learn_button* button_of_state(int state) {
    return state >= 1 && state <= button_count ? &buttons[state - 1] : nullptr;
}

learn_page_io*& active_io() {
    static learn_page_io* io = &default_learn_page_io();
    return io;
}

}  // namespace

learn_page_io* set_learn_page_io(learn_page_io* io) {
    learn_page_io* previous = active_io();
    active_io() = io ? io : &default_learn_page_io();
    return previous;
}

bool is_learn_button(int id) { return state_of_button(id) != 0; }

void refresh_learn_page() {
    learn_page_io& page = *active_io();
    if (!cfg_enable) {
        // With the link off nothing can be learned; the state is kept, so
        // that switching back on resumes a button still pressed in.
        page.set_checked(IDC_ENABLE, false);
        page.enable(IDC_LEARN_GROUP, false);
        for (int id : enable_order) page.enable(id, false);
        return;
    }

    page.set_checked(IDC_ENABLE, true);
    page.enable(IDC_LEARN_GROUP, true);
    if (learning_state != 0) console::print("foo_tavix: learning mode off");
    learning_state = 0;
    for (int id : query_order) {
        if (!page.is_checked(id)) continue;
        learning_state = state_of_button(id);
        console::print(button_of_state(learning_state)->message);
    }

    if (learning_state == 0) {
        for (int id : enable_order) page.enable(id, true);
        return;
    }
    // Only bytes that arrive from now on make up the code.
    reset_receive_window();
    const int learning_id = button_of_state(learning_state)->id;
    for (int id : enable_order)
        if (id != learning_id) page.enable(id, false);
}

void capture_code() {
    const learn_button* button = button_of_state(learning_state);
    if (!button) return;
    learn_page_io& page = *active_io();

    t_ircodes table = cfg_ircodes;
    // The repeat delay runs from the capture, so the button just learned
    // does not fire at once when the remote repeats it.
    last_command_tick = page.tick_count();
    std::memcpy(table.codes[button->slot], receive_window.storage, effective_code_length());
    page.set_checked(button->id, false);
    cfg_ircodes = table;
    page.send_refresh();
}
