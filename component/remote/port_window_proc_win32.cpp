// The receiver's Win32 edge: bytes from the device's port, time from
// GetTickCount.
#include "component/remote/port_window_proc.h"

#include <cstdint>

#include "component/remote/device_port.h"
#include "component/remote/learning.h"
#include "component/remote/receiver.h"

namespace {

// One byte per read; the port never blocks in the read mode every opening
// sets, and a closed port or a failed read delivers nothing.
bool read_port_byte(void*, std::uint8_t* out) {
    DWORD delivered = 0;
    device_port().ReadBytes(out, 1, &delivered);
    return delivered == 1;
}

std::uint32_t tick_count(void*) { return GetTickCount(); }

void capture(void*) { capture_code(); }

}  // namespace

LRESULT CALLBACK port_window_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_USER) return DefWindowProcW(window, message, wParam, lParam);
    if (is_receive_notification(wParam)) {
        const receiver_io io{nullptr, &read_port_byte, &tick_count, &capture};
        handle_receive(io);
    }
    return 0;
}
