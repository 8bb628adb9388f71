// Finding the tavix: its USB virtual serial port is numbered differently on
// every PC, so the ports present are searched for its hardware id.
#include "component/remote/port_link.h"

#include <setupapi.h>

#include "sdk/console.h"

wchar_t port_name[16] = {};

namespace {

// The setup class of serial and parallel ports.
constexpr GUID ports_class = {0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

// The device's identity, compared with the start of the first hardware id,
// so that ids with a revision suffix match too.
constexpr wchar_t device_id[] = L"USB\\VID_1FC9&PID_400F";
constexpr int device_id_length = static_cast<int>(sizeof device_id / sizeof device_id[0]) - 1;
static_assert(device_id_length == 21, "the id is compared over its 21 characters");

// Hardware ids and port names are read into 260 bytes; one character more
// keeps every text ended, however much the platform filled in.
constexpr DWORD property_buffer_bytes = 260;
using property_text = wchar_t[property_buffer_bytes / sizeof(wchar_t) + 1];

static_assert(sizeof(SP_PROPCHANGE_PARAMS) == 20, "the property-change request the class installer expects");

// Has Windows restart the device, so that it starts afresh with the link.
// Neither step's result matters: a device that cannot restart still opens.
void restart_device(HDEVINFO devices, SP_DEVINFO_DATA& device) {
    SP_PROPCHANGE_PARAMS change = {};
    change.ClassInstallHeader.cbSize = sizeof(SP_CLASSINSTALL_HEADER);
    change.ClassInstallHeader.InstallFunction = DIF_PROPERTYCHANGE;
    change.StateChange = DICS_PROPCHANGE;
    change.Scope = DICS_FLAG_CONFIGSPECIFIC;
    change.HwProfile = 0;
    SetupDiSetClassInstallParamsW(devices, &device, &change.ClassInstallHeader, sizeof change);
    SetupDiCallClassInstaller(DIF_PROPERTYCHANGE, devices, &device);
}

// The first characters of the device's first hardware id, as many as the
// identity has; false when the id list cannot be read.
bool read_first_id(HDEVINFO devices, SP_DEVINFO_DATA& device, wchar_t (&first)[device_id_length + 1]) {
    property_text ids = {};
    if (!SetupDiGetDeviceRegistryPropertyW(devices, &device, SPDRP_HARDWAREID, nullptr,
                                           reinterpret_cast<BYTE*>(ids), property_buffer_bytes, nullptr))
        return false;
    lstrcpynW(first, ids, device_id_length + 1);
    return true;
}

// The device key's "PortName"; false when it cannot be read.
bool read_port_name(HKEY key, property_text& name) {
    DWORD size = property_buffer_bytes;
    return RegQueryValueExW(key, L"PortName", nullptr, nullptr, reinterpret_cast<BYTE*>(name), &size) ==
           ERROR_SUCCESS;
}

}  // namespace

void find_device() {
    HDEVINFO devices = SetupDiGetClassDevsW(&ports_class, nullptr, nullptr, DIGCF_PRESENT);
    port_name[0] = L'\0';

    if (devices != INVALID_HANDLE_VALUE) {
        SP_DEVINFO_DATA device = {};
        device.cbSize = sizeof device;
        // Every match is restarted; the last one enumerated gives the port.
        for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
            wchar_t first_id[device_id_length + 1];
            if (!read_first_id(devices, device, first_id)) continue;
            HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
            if (key == INVALID_HANDLE_VALUE) continue;
            property_text name = {};
            if (read_port_name(key, name) && lstrcmpiW(first_id, device_id) == 0) {
                restart_device(devices, device);
                lstrcpynW(port_name, name, static_cast<int>(sizeof port_name / sizeof port_name[0]));
            }
            RegCloseKey(key);
        }
        SetupDiDestroyDeviceInfoList(devices);
    }

    if (port_name[0] == L'\0') {
        console::print("no tavix device found");
        return;
    }
    char text[64];
    if (WideCharToMultiByte(CP_ACP, 0, port_name, -1, text, sizeof text, nullptr, nullptr) == 0) text[0] = '\0';
    console::printf("tavix device found on %s", text);
}
