// The component's start and stop with the player, under Wine: the
// message-only window, the port opened at start when the link is on, the
// play callback, and the goodbye to the device at shutdown.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "component/display/now_playing.h"
#include "component/host/tests/component_rig.h"
#include "component/remote/port_window_proc.h"
#include "component/remote/tests/wine_devices.h"

namespace {

using wine_devices::device_end;

class Lifecycle : public ::testing::Test {
protected:
    void SetUp() override {
        const auto links = wine_devices::pty_links();
        ASSERT_FALSE(links.empty()) << "run through ctest: ptylink makes the ports";
        link = links[0];
    }
    void plug() {
        std::string error;
        ASSERT_TRUE(devices.plug(link.port, error)) << error;
    }
    std::string port_text() const { return std::string(link.port.begin(), link.port.end()); }

    component_rig rig;
    wine_devices::plugged_devices devices;
    wine_devices::pty_link link;
};

TEST_F(Lifecycle, WithTheLinkOffStartOpensNothingAndRegistersTheCallback) {
    plug();  // a device is there, but the link is not wanted
    device_end device(link.device);
    ASSERT_TRUE(device.is_open());

    rig.hooks().on_init();

    EXPECT_TRUE(rig.lines().empty());
    EXPECT_FALSE(component_rig::port_is_open());
    EXPECT_EQ(rig.callbacks.callback, &playback_display);
    EXPECT_EQ(rig.callbacks.flags, 287u);
    EXPECT_TRUE(rig.callbacks.forward_status);

    // Frames of the display go nowhere.
    playback_display.on_playback_time(12.0);
    EXPECT_EQ(device.read_until_quiet(200), "");
}

TEST_F(Lifecycle, StartMakesTheMessageOnlyWindowForPortNotifications) {
    rig.hooks().on_init();

    ASSERT_NE(message_window, nullptr);
    EXPECT_EQ(FindWindowExW(HWND_MESSAGE, nullptr, L"tavixwndclass", L"tavixwnd"), message_window);
    EXPECT_EQ(GetWindowLongPtrW(message_window, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, WS_EX_CLIENTEDGE);
    EXPECT_EQ(GetWindowLongPtrW(message_window, GWL_STYLE) & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);
    EXPECT_FALSE(IsWindowVisible(message_window));

    WNDCLASSEXW registered = {};
    registered.cbSize = sizeof registered;
    ASSERT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), L"tavixwndclass", &registered));
    EXPECT_EQ(registered.lpfnWndProc, &port_window_proc);
    EXPECT_EQ(registered.style, static_cast<UINT>(CS_HREDRAW | CS_VREDRAW));
    EXPECT_EQ(registered.hbrBackground, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(5)));
    EXPECT_EQ(registered.cbClsExtra, 0);
    EXPECT_EQ(registered.cbWndExtra, 0);
}

TEST_F(Lifecycle, AClassAlreadyRegisteredIsReportedAndStartGoesOn) {
    WNDCLASSEXW earlier = {};
    earlier.cbSize = sizeof earlier;
    earlier.lpfnWndProc = &port_window_proc;
    earlier.hInstance = GetModuleHandleW(nullptr);
    earlier.lpszClassName = L"tavixwndclass";
    ASSERT_NE(RegisterClassExW(&earlier), 0);

    cfg_enable = true;
    rig.hooks().on_init();

    ASSERT_FALSE(rig.lines().empty());
    EXPECT_EQ(rig.lines().front(), "Error: foo_tavix: can't register wndclass (1410)");
    EXPECT_EQ(rig.lines().size(), 2u);  // then the search for the device: none here
    EXPECT_EQ(rig.lines().back(), "no tavix device found");
    EXPECT_NE(message_window, nullptr);
    EXPECT_EQ(rig.callbacks.registrations, 1);
}

TEST_F(Lifecycle, WithTheLinkOnTheDeviceTalksAndHearsTheQuitFrameLast) {
    plug();
    device_end device(link.device);
    ASSERT_TRUE(device.is_open());
    cfg_enable = true;

    rig.hooks().on_init();
    EXPECT_EQ(rig.lines(), (std::vector<std::string>{"tavix device found on " + port_text(),
                                                     "foo_tavix: opening port " + port_text(),
                                                     "foo_tavix: " + port_text() + " opened successfully"}));
    ASSERT_TRUE(component_rig::port_is_open());

    // Notifications reach the component's window procedure.
    device.write("OK");
    EXPECT_TRUE(wine_devices::pump_until([&] { return rig.lines().size() == 4; }));
    EXPECT_EQ(rig.lines().back(), "foo_tavix: OK received");

    rig.lines().clear();
    playback_display.on_playback_time(13.2);
    rig.hooks().on_quit();

    EXPECT_EQ(device.read_until_quiet(), std::string("\x2B\x02\x00\x0D\x0D" "\x2B\x00\x0D", 8));
    EXPECT_FALSE(component_rig::port_is_open());
    EXPECT_TRUE(rig.lines().empty());
}

TEST_F(Lifecycle, ShutdownWithThePortClosedPrintsNothing) {
    cfg_enable = true;  // wanted, but no device is there
    rig.hooks().on_init();
    EXPECT_EQ(rig.lines(), std::vector<std::string>{"no tavix device found"});
    rig.lines().clear();

    rig.hooks().on_quit();
    EXPECT_TRUE(rig.lines().empty());
    EXPECT_FALSE(component_rig::port_is_open());
}

TEST_F(Lifecycle, ShutdownWithoutStartLeavesThePortAlone) {
    plug();
    device_end device(link.device);
    ASSERT_TRUE(device.is_open());
    open_port();  // as the page's switch would
    ASSERT_TRUE(component_rig::port_is_open());

    rig.hooks().on_quit();
    EXPECT_TRUE(component_rig::port_is_open());
    EXPECT_EQ(device.read_until_quiet(200), "");
}

TEST_F(Lifecycle, ShutdownTwiceSaysGoodbyeOnce) {
    plug();
    device_end device(link.device);
    cfg_enable = true;
    rig.hooks().on_init();
    rig.hooks().on_quit();
    rig.hooks().on_quit();
    EXPECT_EQ(device.read_until_quiet(), std::string("\x2B\x00\x0D", 3));
}

}  // namespace
