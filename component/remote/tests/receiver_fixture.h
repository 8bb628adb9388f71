// A receiver on a fake port and clock, with a fake player attached.
#pragma once

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <string>
#include <vector>

#include "component/host/settings.h"
#include "component/remote/learning_state.h"
#include "component/remote/receiver.h"
#include "component/remote/tests/fake_playback.h"
#include "sdk/testing/fake_host.h"

struct receiver_rig {
    fake_host host;
    fake_playback player;
    std::deque<std::uint8_t> port;   // bytes waiting to be read
    std::uint32_t clock = 1000000;   // the tick count the receiver reads
    unsigned captures = 0;
    std::vector<unsigned> capture_counts;  // window count at each capture

    receiver_rig() {
        host.set_service(&player);
        restore_default_settings();
        learning_state = 0;
        reset_receiver_for_new_link();
    }
    ~receiver_rig() {
        learning_state = 0;
        restore_default_settings();
    }

    receiver_io io() {
        return receiver_io{this, &read_byte, &tick_count, &capture};
    }
    // One data-received notification.
    void notify() { handle_receive(io()); }
    void feed(std::initializer_list<std::uint8_t> bytes) {
        port.insert(port.end(), bytes);
        notify();
    }
    void learn(ircode_slot slot, std::initializer_list<std::uint8_t> code) {
        t_ircodes table = cfg_ircodes;
        std::size_t i = 0;
        for (std::uint8_t b : code) table.codes[slot][i++] = b;
        cfg_ircodes = table;
    }
    std::vector<std::uint8_t> window() const {
        return std::vector<std::uint8_t>(receive_window.storage, receive_window.storage + receive_window.count);
    }

    static bool read_byte(void* context, std::uint8_t* out) {
        auto* rig = static_cast<receiver_rig*>(context);
        if (rig->port.empty()) return false;
        *out = rig->port.front();
        rig->port.pop_front();
        return true;
    }
    static std::uint32_t tick_count(void* context) { return static_cast<receiver_rig*>(context)->clock; }
    static void capture(void* context) {
        auto* rig = static_cast<receiver_rig*>(context);
        ++rig->captures;
        rig->capture_counts.push_back(receive_window.count);
    }
};
