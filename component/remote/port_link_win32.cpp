// The link's Win32 edge: the device's port object, opened by the name found.
#include "component/remote/port_link.h"

#include <string>

#include "component/remote/device_port.h"
#include "component/remote/port_opening.h"

HWND message_window = nullptr;

namespace {

class device_port_opening final : public port_opening_io {
public:
    void close() override { close_port(); }

    bool find(char* name, std::size_t size) override {
        find_device();
        if (port_name[0] == L'\0') return false;
        if (WideCharToMultiByte(CP_ACP, 0, port_name, -1, name, static_cast<int>(size), nullptr, nullptr) == 0)
            name[0] = '\0';
        return true;
    }

    long open() override {
        // The device namespace opens every port, COM10 and above included.
        const std::wstring device = std::wstring(L"\\\\.\\") + port_name;
        return device_port().OpenForWindow(device.c_str(), message_window, WM_USER, 0, 0, 0);
    }
};

}  // namespace

void open_port() {
    device_port_opening opening;
    open_port_using(opening);
}

void close_port() { device_port().ClosePort(); }
