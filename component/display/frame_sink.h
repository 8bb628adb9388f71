// Where device frames go. In the component this is the device's serial port;
// tests put a recorder here. Everything runs on the player's main thread, so
// the active sink is a plain pointer.
#pragma once

#include <cstdint>

class frame_sink {
public:
    // One blocking write of `count` bytes. Returns the port's status (0 on
    // success) and sets *written to the number of bytes that went out; a
    // closed port fails at once and moves nothing. Callers never look at
    // either, so a sink must neither throw nor block forever on a dead port.
    virtual std::uint32_t write_bytes(const void* data, std::uint32_t count,
                                      std::uint32_t* written) = 0;

protected:
    ~frame_sink() = default;
};

// The sink frames go to until set_frame_sink says otherwise: the component's
// serial port in the Windows build, none (frames are dropped) natively.
frame_sink* default_frame_sink();

// Makes `sink` the target of every later send_frame; nullptr drops frames as
// a closed port would. Returns the sink that was active before.
frame_sink* set_frame_sink(frame_sink* sink);
