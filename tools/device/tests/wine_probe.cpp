// The PC's side of the link under Wine, for tavix-device's own end-to-end
// check: finds the tavix among the ports-class devices, opens its COM port the
// way the component's serial layer does (overlapped, comm events, reads that
// never wait), takes the greeting, sends frames, takes one remote code and
// says goodbye with the quit frame.  Prints what it sees; exit 0 when all
// came as expected.
#include <windows.h>
#include <setupapi.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const GUID ports_class = {0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
using Bytes = std::vector<unsigned char>;

std::wstring find_port()
{
    std::wstring found;
    HDEVINFO set = SetupDiGetClassDevsW(&ports_class, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE)
        return found;
    SP_DEVINFO_DATA dev = {};
    dev.cbSize = sizeof dev;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &dev); ++i) {
        wchar_t ids[260] = {};
        if (!SetupDiGetDeviceRegistryPropertyW(set, &dev, SPDRP_HARDWAREID, nullptr,
                                               reinterpret_cast<BYTE*>(ids), sizeof ids - 4, nullptr))
            continue;
        ids[21] = 0;
        if (lstrcmpiW(ids, L"USB\\VID_1FC9&PID_400F") != 0)
            continue;
        HKEY key = SetupDiOpenDevRegKey(set, &dev, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE)
            continue;
        wchar_t port[260] = {};
        DWORD size = sizeof port - 2;
        if (RegQueryValueExW(key, L"PortName", nullptr, nullptr, reinterpret_cast<BYTE*>(port), &size) ==
            ERROR_SUCCESS)
            found = port;
        RegCloseKey(key);
    }
    SetupDiDestroyDeviceInfoList(set);
    return found;
}

std::string hex(const Bytes& b)
{
    std::string s;
    char buf[4];
    for (std::size_t i = 0; i < b.size(); ++i) {
        std::snprintf(buf, sizeof buf, i ? " %02X" : "%02X", b[i]);
        s += buf;
    }
    return s;
}

// Collects n bytes: reads what the driver says is waiting, else waits for
// EV_RXCHAR.  (Wine lets an overlapped read with nothing waiting pend, even in
// the "return at once" timeout mode, so the queue is asked first.)
Bytes receive(HANDLE port, std::size_t n, DWORD timeout_ms)
{
    Bytes got;
    HANDLE ev = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD start = GetTickCount();
    while (got.size() < n && GetTickCount() - start < timeout_ms) {
        DWORD errors = 0;
        COMSTAT stat = {};
        if (ClearCommError(port, &errors, &stat) && stat.cbInQue > 0) {
            Bytes buf(stat.cbInQue);
            DWORD read = 0;
            OVERLAPPED ov = {};
            ov.hEvent = ev;
            BOOL ok = ReadFile(port, buf.data(), stat.cbInQue, &read, &ov);
            if (!ok && GetLastError() == ERROR_IO_PENDING)
                ok = GetOverlappedResult(port, &ov, &read, TRUE);
            if (!ok)
                break;
            got.insert(got.end(), buf.begin(), buf.begin() + read);
            continue;
        }
        DWORD mask = 0;
        OVERLAPPED ov = {};
        ov.hEvent = ev;
        if (!WaitCommEvent(port, &mask, &ov)) {
            if (GetLastError() != ERROR_IO_PENDING)
                break;
            if (WaitForSingleObject(ev, 500) != WAIT_OBJECT_0) {
                CancelIo(port);
                DWORD ignored;
                GetOverlappedResult(port, &ov, &ignored, TRUE);
            }
        }
    }
    CloseHandle(ev);
    return got;
}

bool send(HANDLE port, const Bytes& b)
{
    HANDLE ev = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    OVERLAPPED ov = {};
    ov.hEvent = ev;
    DWORD written = 0;
    BOOL ok = WriteFile(port, b.data(), static_cast<DWORD>(b.size()), &written, &ov);
    if (!ok && GetLastError() == ERROR_IO_PENDING)
        ok = GetOverlappedResult(port, &ov, &written, TRUE);
    CloseHandle(ev);
    return ok && written == b.size();
}

Bytes track_frame(int length, int position, int count, const char* album, const char* title)
{
    unsigned char p[132] = {};
    p[0] = static_cast<unsigned char>(length >> 8);
    p[1] = static_cast<unsigned char>(length);
    p[2] = static_cast<unsigned char>(position);
    p[3] = static_cast<unsigned char>(count);
    std::memcpy(p + 4, album, std::strlen(album));
    std::memcpy(p + 68, title, std::strlen(title));
    unsigned state = 47093;
    for (unsigned char& b : p) {
        unsigned char plain = b;
        b = static_cast<unsigned char>(plain ^ ((state >> 7) & 0xFF));
        state = (state + plain) * 386129u + 2741u;
    }
    Bytes f = {0x2B, 0x01};
    f.insert(f.end(), p, p + 132);
    f.push_back(0x0D);
    return f;
}

}  // namespace

int main()
{
    std::wstring name;
    for (DWORD start = GetTickCount(); name.empty() && GetTickCount() - start < 120000; Sleep(100))
        name = find_port();
    if (name.empty()) {
        std::printf("probe: no tavix device found\n");
        return 1;
    }
    std::printf("probe: found %ls\n", name.c_str());
    std::fflush(stdout);

    HANDLE port = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        std::printf("probe: cannot open %ls: %lu\n", name.c_str(), GetLastError());
        return 1;
    }
    SetCommMask(port, EV_RXCHAR | EV_BREAK | EV_ERR);
    COMMTIMEOUTS t = {};
    GetCommTimeouts(port, &t);
    t.ReadIntervalTimeout = MAXDWORD;
    t.ReadTotalTimeoutMultiplier = 0;
    t.ReadTotalTimeoutConstant = 0;
    SetCommTimeouts(port, &t);
    COMMCONFIG cc = {};
    cc.dwSize = sizeof cc;
    DWORD size = sizeof cc;
    if (GetDefaultCommConfigW(name.c_str(), &cc, &size))
        SetCommConfig(port, &cc, size);

    Bytes greeting = receive(port, 2, 10000);
    std::printf("probe: greeting %s\n", hex(greeting).c_str());
    std::fflush(stdout);

    // Альбом / Привет in Windows-1251.
    bool sent = send(port, {0x2B, 0x02, 0x00, 0x07, 0x0D}) &&
                send(port, track_frame(225, 2, 5, "\xC0\xEB\xFC\xE1\xEE\xEC", "\xCF\xF0\xE8\xE2\xE5\xF2"));
    Bytes code = receive(port, 4, 20000);
    std::printf("probe: code %s\n", hex(code).c_str());
    std::fflush(stdout);
    sent = sent && send(port, {0x2B, 0x00, 0x0D});
    CloseHandle(port);

    bool ok = sent && greeting == Bytes{'O', 'K'} && code == Bytes{0x20, 0xDF, 0x40, 0xBF};
    std::printf("probe: %s\n", ok ? "ok" : "FAILED");
    return ok ? 0 : 1;
}
