// The receiver's window procedure under Wine, on a message-only window like
// the component's.
#include <gtest/gtest.h>

#include <string>

#include "component/remote/device_port.h"
#include "component/remote/port_window_proc.h"
#include "component/remote/tests/receiver_fixture.h"

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

}  // namespace
