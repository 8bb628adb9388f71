// Windows only, for tests under Wine. Fake tavix devices registered in the
// prefix's SetupAPI, the pty-backed COM ports that ptylink makes for a test
// (TAVIX_PTY_LINKS), the device's end of such a port, and a message pump.
#pragma once

#include "serial/win32.h"

#include <functional>
#include <string>
#include <vector>

namespace wine_devices {

// The first hardware id a tavix reports: the identity plus its revision.
constexpr wchar_t tavix_id[] = L"USB\\VID_1FC9&PID_400F&REV_0100";

// Devices of the ports class made for one test; whatever is still plugged
// is removed when this goes, so that cases never see each other's devices.
class plugged_devices {
public:
    plugged_devices() = default;
    ~plugged_devices();
    plugged_devices(const plugged_devices&) = delete;
    plugged_devices& operator=(const plugged_devices&) = delete;

    // Registers a present device with these hardware ids (first id first)
    // and "PortName" (empty: none). False, with the reason, on failure.
    bool plug(const std::wstring& port, const std::vector<std::wstring>& ids, std::string& error);
    bool plug(const std::wstring& port, std::string& error) { return plug(port, {tavix_id}, error); }
    // Removes every device on this port, ours or left by an earlier run.
    void unplug(const std::wstring& port);
    // Removes every device plugged through this object.
    void unplug_all();

private:
    std::vector<std::wstring> instances_;
};

// One link of TAVIX_PTY_LINKS: the port the component opens ("COM71") and
// the device's end wired to it ("COM72").
struct pty_link {
    std::wstring port;
    std::wstring device;
};
// The links of this test's run; empty when it was not started by ctest.
std::vector<pty_link> pty_links();

// The device's side of a link, opened with plain Win32 calls.
class device_end {
public:
    explicit device_end(const std::wstring& name);
    ~device_end();
    device_end(const device_end&) = delete;
    device_end& operator=(const device_end&) = delete;

    bool is_open() const { return handle_ != INVALID_HANDLE_VALUE; }
    void write(const std::string& bytes);
    // Everything that arrives until nothing more has come for `quiet_ms`.
    std::string read_until_quiet(DWORD quiet_ms = 300, DWORD limit_ms = 5000);

private:
    HANDLE handle_;
};

// Dispatches this thread's messages until `done` holds; false when the
// limit ran out first.
bool pump_until(const std::function<bool()>& done, DWORD limit_ms = 5000);

// Dispatches whatever this thread has queued now.
void pump_waiting();

}  // namespace wine_devices
