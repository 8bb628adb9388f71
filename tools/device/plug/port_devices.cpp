#include "tools/device/plug/port_devices.h"

#include <windows.h>
#include <setupapi.h>

// The one place GUID_DEVCLASS_PORTS is defined rather than declared.
#define INITGUID
#include <initguid.h>
#include <devguid.h>

#include <cstdio>

namespace tavix::plug {

namespace {

std::string win_error(const char* what, DWORD code = GetLastError())
{
    char buf[64];
    std::snprintf(buf, sizeof buf, " failed (error %lu)", static_cast<unsigned long>(code));
    return what + std::string(buf);
}

std::vector<wchar_t> multi_string(const std::vector<std::wstring>& items)
{
    std::vector<wchar_t> out;
    for (const std::wstring& s : items) {
        out.insert(out.end(), s.begin(), s.end());
        out.push_back(L'\0');
    }
    out.push_back(L'\0');
    return out;
}

std::wstring instance_id_of(HDEVINFO set, SP_DEVINFO_DATA& dev)
{
    wchar_t buf[512];
    if (!SetupDiGetDeviceInstanceIdW(set, &dev, buf, 512, nullptr))
        return L"?";
    return buf;
}

std::vector<std::wstring> hardware_ids_of(HDEVINFO set, SP_DEVINFO_DATA& dev)
{
    std::vector<std::wstring> ids;
    DWORD type = 0, size = 0;
    SetupDiGetDeviceRegistryPropertyW(set, &dev, SPDRP_HARDWAREID, &type, nullptr, 0, &size);
    if (size == 0)
        return ids;
    std::vector<wchar_t> buf(size / sizeof(wchar_t) + 2, L'\0');
    if (!SetupDiGetDeviceRegistryPropertyW(set, &dev, SPDRP_HARDWAREID, &type,
                                           reinterpret_cast<BYTE*>(buf.data()), size, nullptr))
        return ids;
    for (const wchar_t* p = buf.data(); *p; p += wcslen(p) + 1)
        ids.emplace_back(p);
    return ids;
}

bool port_name_of(HDEVINFO set, SP_DEVINFO_DATA& dev, std::wstring& port)
{
    HKEY key = SetupDiOpenDevRegKey(set, &dev, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE)
        return false;
    wchar_t buf[260] = {};
    DWORD type = 0, size = sizeof buf - sizeof(wchar_t);
    LONG rc = RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    port = buf;
    return true;
}

}  // namespace

bool add_port_device(const std::wstring& port_name, const std::vector<std::wstring>& hardware_ids,
                     std::wstring& instance_id, std::string& error)
{
    HDEVINFO set = SetupDiCreateDeviceInfoList(&GUID_DEVCLASS_PORTS, nullptr);
    if (set == INVALID_HANDLE_VALUE) {
        error = win_error("SetupDiCreateDeviceInfoList");
        return false;
    }
    SP_DEVINFO_DATA dev = {};
    dev.cbSize = sizeof dev;
    bool registered = false;
    bool ok = false;
    do {
        if (!SetupDiCreateDeviceInfoW(set, L"PORTS", &GUID_DEVCLASS_PORTS, L"tavix (virtual)",
                                      nullptr, DICD_GENERATE_ID, &dev)) {
            error = win_error("SetupDiCreateDeviceInfoW");
            break;
        }
        if (!hardware_ids.empty()) {
            std::vector<wchar_t> ids = multi_string(hardware_ids);
            if (!SetupDiSetDeviceRegistryPropertyW(set, &dev, SPDRP_HARDWAREID,
                                                   reinterpret_cast<const BYTE*>(ids.data()),
                                                   static_cast<DWORD>(ids.size() * sizeof(wchar_t)))) {
                error = win_error("SetupDiSetDeviceRegistryPropertyW(SPDRP_HARDWAREID)");
                break;
            }
        }
        if (!SetupDiRegisterDeviceInfo(set, &dev, 0, nullptr, nullptr, nullptr)) {
            error = win_error("SetupDiRegisterDeviceInfo");
            break;
        }
        registered = true;
        if (!port_name.empty()) {
            HKEY key = SetupDiCreateDevRegKeyW(set, &dev, DICS_FLAG_GLOBAL, 0, DIREG_DEV, nullptr,
                                               nullptr);
            if (key == INVALID_HANDLE_VALUE) {
                error = win_error("SetupDiCreateDevRegKeyW");
                break;
            }
            LONG rc = RegSetValueExW(key, L"PortName", 0, REG_SZ,
                                     reinterpret_cast<const BYTE*>(port_name.c_str()),
                                     static_cast<DWORD>((port_name.size() + 1) * sizeof(wchar_t)));
            RegCloseKey(key);
            if (rc != ERROR_SUCCESS) {
                error = win_error("RegSetValueExW(PortName)", static_cast<DWORD>(rc));
                break;
            }
        }
        instance_id = instance_id_of(set, dev);
        ok = true;
    } while (false);
    // A half-made device must not linger for discovery to trip over.
    if (!ok && registered)
        SetupDiRemoveDevice(set, &dev);
    SetupDiDestroyDeviceInfoList(set);
    return ok;
}

bool remove_port_devices(const std::wstring& port_name, std::vector<std::wstring>& removed,
                         std::string& error)
{
    // Registered devices, present or not: a stale one is removed too.
    HDEVINFO set = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, 0);
    if (set == INVALID_HANDLE_VALUE) {
        error = win_error("SetupDiGetClassDevsW");
        return false;
    }
    bool ok = true;
    SP_DEVINFO_DATA dev = {};
    dev.cbSize = sizeof dev;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &dev); ++i) {
        std::wstring port;
        if (!port_name_of(set, dev, port) || lstrcmpiW(port.c_str(), port_name.c_str()) != 0)
            continue;
        std::wstring id = instance_id_of(set, dev);
        if (!SetupDiRemoveDevice(set, &dev)) {
            error = win_error("SetupDiRemoveDevice");
            ok = false;
            continue;
        }
        removed.push_back(id);
    }
    SetupDiDestroyDeviceInfoList(set);
    return ok;
}

bool list_port_devices(std::vector<PortDevice>& devices, std::string& error)
{
    HDEVINFO set = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) {
        error = win_error("SetupDiGetClassDevsW");
        return false;
    }
    SP_DEVINFO_DATA dev = {};
    dev.cbSize = sizeof dev;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &dev); ++i) {
        PortDevice d;
        d.instance_id = instance_id_of(set, dev);
        d.hardware_ids = hardware_ids_of(set, dev);
        d.has_port_name = port_name_of(set, dev, d.port_name);
        devices.push_back(std::move(d));
    }
    SetupDiDestroyDeviceInfoList(set);
    return true;
}

}  // namespace tavix::plug
