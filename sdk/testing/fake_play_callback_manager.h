// A play-callback manager for native tests: remembers the one callback
// registered with it, the flags it asked for, and how often it registered.
#pragma once

#include "sdk/play_callback.h"

class fake_play_callback_manager : public play_callback_manager {
public:
    play_callback* callback = nullptr;
    unsigned flags = 0;
    bool forward_status = false;
    int registrations = 0;

    void register_callback(play_callback* c, unsigned f, bool forward) override {
        callback = c;
        flags = f;
        forward_status = forward;
        ++registrations;
    }
    void unregister_callback(play_callback*) override {}
};
