// The receiver's window procedure under Wine, on a message-only window like
// the component's.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "component/remote/device_port.h"
#include "component/remote/port_window_proc.h"
#include "component/remote/tests/receiver_fixture.h"
#include "serial/tests/serial_test_support.h"

namespace {

class PortWindowProc : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = port_window_proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"tavix_receiver_test";
        RegisterClassExW(&wc);  // a second test finds it registered: fine
        window = CreateWindowExW(0, L"tavix_receiver_test", L"start", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(window, nullptr) << GetLastError();
    }
    void TearDown() override {
        if (window) DestroyWindow(window);
    }

    HWND window = nullptr;
};

TEST_F(PortWindowProc, OtherMessagesGetDefaultHandling) {
    receiver_rig rig;
    EXPECT_TRUE(SetWindowTextW(window, L"tavixwnd"));
    wchar_t text[32] = {};
    EXPECT_EQ(GetWindowTextW(window, text, 32), 8);
    EXPECT_EQ(std::wstring(text), L"tavixwnd");
    EXPECT_EQ(rig.host.lookup_count, 0u);
}

TEST_F(PortWindowProc, OnlyPlainDataNotificationsAreHandled) {
    struct row {
        WPARAM wparam;
        bool handled;
    };
    const row rows[] = {{0x0001, true}, {0x00080001, true}, {0x0081, false}, {0x0041, false}, {0x0000, false}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.wparam);
        receiver_rig rig;
        EXPECT_EQ(SendMessageW(window, WM_USER, r.wparam, 0x1234), 0);
        // Handling looks up the player's transport first; the port is closed,
        // so nothing is read and nothing printed.
        EXPECT_EQ(rig.host.lookup_count, r.handled ? 1u : 0u);
        EXPECT_EQ(rig.host.console_lines.size(), 0u);
        EXPECT_EQ(rig.player.refs, 0);
    }
}

// Runs this thread's messages until `done` holds or the limit runs out.
bool pump_until(const std::function<bool()>& done, DWORD limit_ms = 5000) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > limit_ms) return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return true;
}

// The device's bytes travel a pty-backed cable into the component's port
// object, whose listener notifies the window.
TEST_F(PortWindowProc, DeviceBytesBecomeCommands) {
    receiver_rig rig;
    rig.learn(ircode_play, {0x10, 0x20, 0x30, 0x40});
    serial_test::reset_product_end();
    ASSERT_EQ(device_port().OpenForWindow(serial_test::cable().product.c_str(), window, WM_USER), 0);
    reset_receiver_for_new_link();
    serial_test::DeviceEnd device;
    ASSERT_TRUE(device.is_open());

    device.write("OK");
    EXPECT_TRUE(pump_until([&] { return rig.host.console_lines.size() == 1; }));
    device.write(std::string("\x10\x20\x30\x40", 4));
    EXPECT_TRUE(pump_until([&] { return rig.host.console_lines.size() == 2; }));
    device_port().ClosePort();

    EXPECT_EQ(rig.host.console_lines,
              (std::vector<std::string>{"foo_tavix: OK received", "foo_tavix: play command received"}));
    EXPECT_EQ(rig.player.calls, (std::vector<std::string>{"is_paused()", "start(1,0)"}));
}

}  // namespace
