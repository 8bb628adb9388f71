// Finding the tavix among the ports registered in the Wine prefix and
// opening its pty-backed port, through SetupAPI and the serial port object
// as the component uses them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "component/host/settings.h"
#include "component/remote/device_port.h"
#include "component/remote/port_link.h"
#include "component/remote/receiver.h"
#include "component/remote/tests/wine_devices.h"
#include "sdk/testing/fake_host.h"
#include "tools/device/plug/port_devices.h"

namespace {

using wine_devices::device_end;
using wine_devices::plugged_devices;

std::string narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// Whether the port object is open: a closed one refuses every transfer with
// ERROR_INVALID_HANDLE.
bool port_is_open() {
    DWORD written = 0;
    return device_port().WriteBytes("", 0, &written) != ERROR_INVALID_HANDLE;
}

class Discovery : public ::testing::Test {
protected:
    void SetUp() override {
        links = wine_devices::pty_links();
        ASSERT_GE(links.size(), 2u) << "run through ctest: ptylink makes the ports";
        window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr);
        message_window = window;
        restore_default_settings();
    }
    void TearDown() override {
        close_port();
        message_window = nullptr;
        DestroyWindow(window);
        restore_default_settings();
    }

    void plug(const std::wstring& port, const std::vector<std::wstring>& ids = {wine_devices::tavix_id}) {
        std::string error;
        ASSERT_TRUE(devices.plug(port, ids, error)) << error;
    }
    std::vector<std::string>& lines() { return host.console_lines; }

    fake_host host;
    plugged_devices devices;
    std::vector<wine_devices::pty_link> links;
    HWND window = nullptr;
};

struct id_case {
    const char* name;
    std::vector<std::wstring> ids;
    bool matches;
};

TEST_F(Discovery, OnlyTheFirstHardwareIdCounts) {
    const id_case cases[] = {
        {"lower case with a revision", {L"usb\\vid_1fc9&pid_400f&rev_0100"}, true},
        {"identity alone", {L"USB\\VID_1FC9&PID_400F"}, true},
        {"identity then more ids", {L"USB\\VID_1FC9&PID_400F&REV_0100&MI_00", L"USB\\VID_1FC9&PID_400F"}, true},
        {"product 0x4010", {L"USB\\VID_1FC9&PID_4010&REV_0100"}, false},
        {"identity only in the second id", {L"USB\\VID_0403&PID_6001", L"USB\\VID_1FC9&PID_400F"}, false},
        {"no hardware id", {}, false},
    };
    const std::wstring port = links[0].port;
    for (const id_case& c : cases) {
        SCOPED_TRACE(c.name);
        plug(port, c.ids);
        lines().clear();
        find_device();
        if (c.matches) {
            EXPECT_EQ(std::wstring(port_name), port);
            EXPECT_EQ(lines(), std::vector<std::string>{"tavix device found on " + narrow(port)});
        } else {
            EXPECT_EQ(std::wstring(port_name), L"");
            EXPECT_EQ(lines(), std::vector<std::string>{"no tavix device found"});
        }
        devices.unplug_all();
    }
}

TEST_F(Discovery, ADeviceWithoutPortNameIsSkipped) {
    plug(L"");
    find_device();
    EXPECT_EQ(lines(), std::vector<std::string>{"no tavix device found"});
}

TEST_F(Discovery, OfTwoMatchingDevicesTheLastEnumeratedIsOpened) {
    plug(links[0].port);
    plug(links[1].port);
    // Which of the two comes last is the prefix's enumeration order.
    std::vector<tavix::plug::PortDevice> present;
    std::string error;
    ASSERT_TRUE(tavix::plug::list_port_devices(present, error)) << error;
    std::wstring last;
    for (const auto& d : present)
        if (d.port_name == links[0].port || d.port_name == links[1].port) last = d.port_name;
    ASSERT_FALSE(last.empty());
    const std::wstring device_name = last == links[0].port ? links[0].device : links[1].device;

    open_port();
    EXPECT_EQ(lines(), (std::vector<std::string>{"tavix device found on " + narrow(last),
                                                 "foo_tavix: opening port " + narrow(last),
                                                 "foo_tavix: " + narrow(last) + " opened successfully"}));
    // The bytes reach the device on the port found last.
    device_end device(device_name);
    ASSERT_TRUE(device.is_open());
    DWORD written = 0;
    device_port().WriteBytes("\x2B\x00\x0D", 3, &written);
    EXPECT_EQ(device.read_until_quiet(), std::string("\x2B\x00\x0D", 3));
}

TEST_F(Discovery, APortNameLongerThanFifteenCharactersIsCut) {
    plug(L"COM7123456789012345");
    open_port();
    EXPECT_EQ(std::wstring(port_name), L"COM712345678901");
    EXPECT_EQ(lines(), (std::vector<std::string>{"tavix device found on COM712345678901",
                                                 "foo_tavix: opening port COM712345678901",
                                                 "Error: foo_tavix: can't open port COM712345678901"}));
    EXPECT_FALSE(port_is_open());
}

TEST_F(Discovery, OpeningAgainReopensAndWithNoDeviceOnlyCloses) {
    plug(links[0].port);
    open_port();
    ASSERT_TRUE(port_is_open());
    lines().clear();

    open_port();  // closes first, then opens the same port again
    EXPECT_EQ(lines().size(), 3u);
    EXPECT_TRUE(port_is_open());

    devices.unplug(links[0].port);
    lines().clear();
    greeting_seen = true;
    open_port();
    EXPECT_EQ(lines(), std::vector<std::string>{"no tavix device found"});
    EXPECT_FALSE(port_is_open());
    EXPECT_TRUE(greeting_seen);  // the receiver is left alone
}

// Windows refuses a port that another program holds with ERROR_ACCESS_DENIED.
// Wine lets any number of openers share a COM port, so the held port is
// stood in for by a port name that Windows refuses in the same way: a folder.
TEST_F(Discovery, APortWindowsRefusesGivesTheErrorLineAndStillResetsTheReceiver) {
    const std::wstring refused = L"C:\\windows";
    HANDLE probe = CreateFileW((L"\\\\.\\" + refused).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    ASSERT_EQ(probe, INVALID_HANDLE_VALUE);
    ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

    plug(refused);
    receive_window.count = 1;
    receive_window.storage[0] = 'O';
    greeting_seen = true;
    last_command_tick = 77;

    open_port();

    EXPECT_EQ(lines(), (std::vector<std::string>{"tavix device found on C:\\windows",
                                                 "foo_tavix: opening port C:\\windows",
                                                 "Error: foo_tavix: can't open port C:\\windows"}));
    EXPECT_FALSE(port_is_open());
    EXPECT_EQ(receive_window.count, 0u);
    EXPECT_EQ(receive_window.storage[0], 0);
    EXPECT_FALSE(greeting_seen);
    EXPECT_EQ(last_command_tick, 0u);
}

}  // namespace
