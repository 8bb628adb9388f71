#include "component/remote/tests/wine_devices.h"

#include <setupapi.h>

#include <cwctype>

#include "tools/device/plug/port_devices.h"

namespace wine_devices {

plugged_devices::~plugged_devices() { unplug_all(); }

bool plugged_devices::plug(const std::wstring& port, const std::vector<std::wstring>& ids, std::string& error) {
    std::wstring instance;
    if (!tavix::plug::add_port_device(port, ids, instance, error)) return false;
    instances_.push_back(instance);
    return true;
}

// By instance id, so that devices without a port name go too.
void plugged_devices::unplug_all() {
    HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
    if (set == INVALID_HANDLE_VALUE) return;
    for (const std::wstring& instance : instances_) {
        SP_DEVINFO_DATA device = {};
        device.cbSize = sizeof device;
        if (SetupDiOpenDeviceInfoW(set, instance.c_str(), nullptr, 0, &device)) SetupDiRemoveDevice(set, &device);
    }
    SetupDiDestroyDeviceInfoList(set);
    instances_.clear();
}

void plugged_devices::unplug(const std::wstring& port) {
    std::vector<std::wstring> removed;
    std::string error;
    tavix::plug::remove_port_devices(port, removed, error);
}

std::vector<pty_link> pty_links() {
    std::vector<pty_link> links;
    wchar_t text[512] = {};
    if (!GetEnvironmentVariableW(L"TAVIX_PTY_LINKS", text, 511)) return links;
    std::wstring rest = text;
    while (!rest.empty()) {
        const std::size_t comma = rest.find(L',');
        std::wstring pair = rest.substr(0, comma);
        rest = comma == std::wstring::npos ? std::wstring() : rest.substr(comma + 1);
        const std::size_t colon = pair.find(L':');
        if (colon == std::wstring::npos) continue;
        for (wchar_t& c : pair) c = static_cast<wchar_t>(std::towupper(c));
        links.push_back({pair.substr(0, colon), pair.substr(colon + 1)});
    }
    return links;
}

device_end::device_end(const std::wstring& name)
    : handle_(CreateFileW((L"\\\\.\\" + name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                          nullptr)) {
    if (!is_open()) return;
    // Reads return at once with what is there.
    COMMTIMEOUTS timeouts = {MAXDWORD, 0, 0, 0, 0};
    SetCommTimeouts(handle_, &timeouts);
    PurgeComm(handle_, PURGE_RXCLEAR | PURGE_TXCLEAR);
}

device_end::~device_end() {
    if (is_open()) CloseHandle(handle_);
}

void device_end::write(const std::string& bytes) {
    DWORD written = 0;
    WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::string device_end::read_until_quiet(DWORD quiet_ms, DWORD limit_ms) {
    std::string got;
    const ULONGLONG start = GetTickCount64();
    ULONGLONG last = start;
    for (;;) {
        char buffer[256];
        DWORD n = 0;
        const ULONGLONG now = GetTickCount64();
        if (ReadFile(handle_, buffer, sizeof buffer, &n, nullptr) && n > 0) {
            got.append(buffer, n);
            last = now;
            continue;
        }
        if (now - last >= quiet_ms || now - start >= limit_ms) return got;
        Sleep(5);
    }
}

void pump_waiting() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

bool pump_until(const std::function<bool()>& done, DWORD limit_ms) {
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        pump_waiting();
        if (done()) return true;
        if (GetTickCount64() - start >= limit_ms) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

}  // namespace wine_devices
