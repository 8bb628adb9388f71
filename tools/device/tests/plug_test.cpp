// Registers devices in the build's Wine prefix and finds them again the way
// the component's discovery does: SetupDiGetClassDevsW over the ports class,
// present devices only, hardware ids and "PortName" from the device key.
// Hardware ids here never match the tavix, so a test looking for the real
// device in the same prefix is not misled.
#include <windows.h>
#include <setupapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/device/plug/port_devices.h"

namespace tavix::plug {
namespace {

// {4D36E978-E325-11CE-BFC1-08002BE10318}, spelled out so the check does not
// lean on the helper's own definition.
const GUID ports_class = {0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

struct Seen {
    std::wstring instance;
    std::vector<std::wstring> ids;
    bool has_port = false;
    std::wstring port;
};

std::vector<Seen> discover()
{
    std::vector<Seen> out;
    HDEVINFO set = SetupDiGetClassDevsW(&ports_class, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "SetupDiGetClassDevsW failed: " << GetLastError();
        return out;
    }
    SP_DEVINFO_DATA dev = {};
    dev.cbSize = sizeof dev;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &dev); ++i) {
        Seen s;
        wchar_t text[512] = {};
        if (SetupDiGetDeviceInstanceIdW(set, &dev, text, 512, nullptr))
            s.instance = text;
        BYTE ids[520] = {};
        if (SetupDiGetDeviceRegistryPropertyW(set, &dev, SPDRP_HARDWAREID, nullptr, ids, 516, nullptr))
            for (auto* p = reinterpret_cast<const wchar_t*>(ids); *p; p += wcslen(p) + 1)
                s.ids.emplace_back(p);
        HKEY key = SetupDiOpenDevRegKey(set, &dev, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key != INVALID_HANDLE_VALUE) {
            wchar_t port[260] = {};
            DWORD size = sizeof port - sizeof(wchar_t);
            s.has_port = RegQueryValueExW(key, L"PortName", nullptr, nullptr,
                                          reinterpret_cast<BYTE*>(port), &size) == ERROR_SUCCESS;
            s.port = port;
            RegCloseKey(key);
        }
        out.push_back(s);
    }
    SetupDiDestroyDeviceInfoList(set);
    return out;
}

std::vector<Seen> on_port(const std::wstring& port)
{
    std::vector<Seen> out;
    for (const Seen& s : discover())
        if (s.has_port && lstrcmpiW(s.port.c_str(), port.c_str()) == 0)
            out.push_back(s);
    return out;
}

std::vector<Seen> with_first_id(const std::wstring& id)
{
    std::vector<Seen> out;
    for (const Seen& s : discover())
        if (!s.ids.empty() && s.ids[0] == id)
            out.push_back(s);
    return out;
}

// Removes by instance id: devices without "PortName" cannot be removed by port.
void remove_instance(const std::wstring& instance)
{
    HDEVINFO set = SetupDiCreateDeviceInfoList(&ports_class, nullptr);
    SP_DEVINFO_DATA dev = {};
    dev.cbSize = sizeof dev;
    if (SetupDiOpenDeviceInfoW(set, instance.c_str(), nullptr, 0, &dev))
        SetupDiRemoveDevice(set, &dev);
    SetupDiDestroyDeviceInfoList(set);
}

std::string narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

TEST(PlugTest, AddedDeviceIsDiscoveredWithItsIdsAndPortName)
{
    const std::vector<std::wstring> ids = {L"TAVIXTEST\\VID_1FC9&PID_4010&REV_0100", L"TAVIXTEST\\SECOND"};
    std::wstring instance;
    std::string error;
    ASSERT_TRUE(add_port_device(L"COM231", ids, instance, error)) << error;
    EXPECT_FALSE(instance.empty());

    auto seen = on_port(L"COM231");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].instance, instance);
    EXPECT_EQ(seen[0].ids, ids);

    std::vector<PortDevice> listed;
    ASSERT_TRUE(list_port_devices(listed, error)) << error;
    bool in_list = false;
    for (const PortDevice& d : listed)
        if (d.instance_id == instance)
            in_list = d.has_port_name && d.port_name == L"COM231" && d.hardware_ids == ids;
    EXPECT_TRUE(in_list);

    std::vector<std::wstring> removed;
    ASSERT_TRUE(remove_port_devices(L"COM231", removed, error)) << error;
    EXPECT_EQ(removed, std::vector<std::wstring>{instance});
    EXPECT_TRUE(on_port(L"COM231").empty()) << "removed devices are no longer enumerated";
}

TEST(PlugTest, DevicesWithoutPortNameOrHardwareIds)
{
    std::wstring no_port, no_ids;
    std::string error;
    ASSERT_TRUE(add_port_device(L"", {L"TAVIXTEST\\NOPORT"}, no_port, error)) << error;
    ASSERT_TRUE(add_port_device(L"COM232", {}, no_ids, error)) << error;

    auto a = with_first_id(L"TAVIXTEST\\NOPORT");
    ASSERT_EQ(a.size(), 1u);
    EXPECT_FALSE(a[0].has_port);
    auto b = on_port(L"COM232");
    ASSERT_EQ(b.size(), 1u);
    EXPECT_TRUE(b[0].ids.empty());

    remove_instance(no_port);
    std::vector<std::wstring> removed;
    EXPECT_TRUE(remove_port_devices(L"COM232", removed, error)) << error;
    EXPECT_EQ(removed, std::vector<std::wstring>{no_ids});
    EXPECT_TRUE(with_first_id(L"TAVIXTEST\\NOPORT").empty());
}

TEST(PlugTest, RemoveTakesEveryDeviceOnThePortWhateverTheCase)
{
    std::wstring first, second, other;
    std::string error;
    ASSERT_TRUE(add_port_device(L"COM233", {L"TAVIXTEST\\A"}, first, error)) << error;
    ASSERT_TRUE(add_port_device(L"com233", {L"TAVIXTEST\\B"}, second, error)) << error;
    ASSERT_TRUE(add_port_device(L"COM234", {L"TAVIXTEST\\C"}, other, error)) << error;
    EXPECT_EQ(on_port(L"COM233").size(), 2u);

    std::vector<std::wstring> removed;
    ASSERT_TRUE(remove_port_devices(L"Com233", removed, error)) << error;
    EXPECT_EQ(removed.size(), 2u);
    EXPECT_TRUE(on_port(L"COM233").empty());
    EXPECT_EQ(on_port(L"COM234").size(), 1u) << "another port's device stays";

    removed.clear();
    ASSERT_TRUE(remove_port_devices(L"COM234", removed, error)) << error;
    removed.clear();
    ASSERT_TRUE(remove_port_devices(L"COM239", removed, error)) << error;
    EXPECT_TRUE(removed.empty()) << "nothing on that port, nothing removed";
}

// The command-line program, as tavix-device runs it.
struct PlugRun {
    DWORD status = 0;
    std::string out;
};

PlugRun run_plug(const std::wstring& args)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring exe = self;
    exe = exe.substr(0, exe.find_last_of(L"\\/") + 1) + L"tavix-plug.exe";
    std::wstring cmd = L"\"" + exe + L"\" " + args;

    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE read_end, write_end;
    PlugRun r;
    if (!CreatePipe(&read_end, &write_end, &sa, 0)) {
        ADD_FAILURE() << "CreatePipe";
        return r;
    }
    SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = write_end;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        ADD_FAILURE() << "cannot start " << narrow(exe) << ": " << GetLastError();
        CloseHandle(read_end);
        CloseHandle(write_end);
        return r;
    }
    CloseHandle(write_end);
    char buf[4096];
    DWORD n;
    while (ReadFile(read_end, buf, sizeof buf, &n, nullptr) && n > 0)
        r.out.append(buf, n);
    WaitForSingleObject(pi.hProcess, 60000);
    GetExitCodeProcess(pi.hProcess, &r.status);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    CloseHandle(read_end);
    return r;
}

std::string word_after(const std::string& text, const std::string& lead)
{
    std::size_t at = text.find(lead);
    if (at == std::string::npos)
        return {};
    at += lead.size();
    return text.substr(at, text.find(' ', at) - at);
}

TEST(PlugTest, CommandLine)
{
    PlugRun add = run_plug(L"add COM235 --ids TAVIXTEST\\CLI TAVIXTEST\\CLI_2");
    ASSERT_EQ(add.status, 0u) << add.out;
    std::string id = word_after(add.out, "added ");
    ASSERT_FALSE(id.empty()) << add.out;
    EXPECT_EQ(add.out, "added " + id + " port=COM235 hwids=TAVIXTEST\\CLI,TAVIXTEST\\CLI_2\n");

    PlugRun list = run_plug(L"list");
    ASSERT_EQ(list.status, 0u);
    EXPECT_NE(list.out.find("device " + id + " port=COM235 hwids=TAVIXTEST\\CLI,TAVIXTEST\\CLI_2\n"),
              std::string::npos)
        << list.out;

    PlugRun replace = run_plug(L"add --replace COM235 TAVIXTEST\\CLI_3");
    ASSERT_EQ(replace.status, 0u) << replace.out;
    std::string id2 = word_after(replace.out, "added ");
    EXPECT_EQ(replace.out, "removed " + id + " port=COM235\nadded " + id2 + " port=COM235 hwids=TAVIXTEST\\CLI_3\n");
    auto seen = on_port(L"COM235");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].ids, std::vector<std::wstring>{L"TAVIXTEST\\CLI_3"});

    PlugRun remove = run_plug(L"remove COM235");
    EXPECT_EQ(remove.status, 0u);
    EXPECT_EQ(remove.out, "removed " + id2 + " port=COM235\n");
    EXPECT_TRUE(on_port(L"COM235").empty());

    EXPECT_EQ(run_plug(L"remove COM235").out, "") << "removing again finds nothing";
    EXPECT_EQ(run_plug(L"frobnicate").status, 2u);
    EXPECT_EQ(run_plug(L"").status, 2u);
}

}  // namespace
}  // namespace tavix::plug
