// In the component, frames go to the device's one serial port object: one
// blocking write of the whole frame, no record, no time limit. A closed port
// refuses at once and the frame is lost, which the display accepts.
#include "component/display/frame_sink.h"
#include "component/remote/device_port.h"

namespace {

class device_port_sink final : public frame_sink {
public:
    std::uint32_t write_bytes(const void* data, std::uint32_t count, std::uint32_t* written) override {
        DWORD moved = 0;
        const LONG status = device_port().WriteBytes(data, count, &moved, nullptr, INFINITE);
        *written = moved;
        return static_cast<std::uint32_t>(status);
    }
};

}  // namespace

frame_sink* default_frame_sink() {
    static device_port_sink sink;
    return &sink;
}
