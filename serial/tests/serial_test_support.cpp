#include "serial/tests/serial_test_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwctype>

namespace serial_test {

namespace {

std::wstring upper(std::wstring text)
{
    for (auto& c : text)
        c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

Cable load_cable()
{
    wchar_t links[256] = {};
    const DWORD n = ::GetEnvironmentVariableW(L"TAVIX_PTY_LINKS", links, 256);
    const wchar_t* colon = n ? std::wcschr(links, L':') : nullptr;
    if (!colon) {
        std::fprintf(stderr, "TAVIX_PTY_LINKS is not set: run this test through ctest (ptylink makes the ports)\n");
        std::exit(2);
    }
    const wchar_t* end = std::wcschr(colon, L',');
    const std::wstring product = upper(std::wstring(links, static_cast<size_t>(colon - links)));
    const std::wstring device = upper(end ? std::wstring(colon + 1, end) : std::wstring(colon + 1));
    return Cable{L"\\\\.\\" + product, product, L"\\\\.\\" + device};
}

HANDLE open_plain(const std::wstring& name)
{
    HANDLE h = ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return h;
    // Reads return at once with what is there; writes have no limit.
    COMMTIMEOUTS timeouts = {MAXDWORD, 0, 0, 0, 0};
    ::SetCommTimeouts(h, &timeouts);
    return h;
}

LRESULT CALLBACK sink_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace

const Cable& cable()
{
    static const Cable the_cable = load_cable();
    return the_cable;
}

void reset_product_end()
{
    HANDLE h = open_plain(cable().product);
    if (h == INVALID_HANDLE_VALUE)
        return;
    DCB dcb;
    std::memset(&dcb, 0, sizeof dcb);
    dcb.DCBlength = sizeof dcb;
    if (::GetCommState(h, &dcb)) {
        dcb.BaudRate = 9600;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.fParity = FALSE;
        dcb.StopBits = ONESTOPBIT;
        dcb.fOutxCtsFlow = dcb.fOutxDsrFlow = FALSE;
        dcb.fDtrControl = DTR_CONTROL_DISABLE;
        dcb.fRtsControl = RTS_CONTROL_DISABLE;
        dcb.fOutX = dcb.fInX = FALSE;
        ::SetCommState(h, &dcb);
    }
    ::PurgeComm(h, PURGE_RXCLEAR | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_TXABORT);
    ::CloseHandle(h);
}

DeviceEnd::DeviceEnd() : handle_(open_plain(cable().device)) {}

DeviceEnd::~DeviceEnd()
{
    if (is_open())
        ::CloseHandle(handle_);
}

void DeviceEnd::write(const std::string& bytes)
{
    DWORD written = 0;
    ::WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::string DeviceEnd::read_available()
{
    std::string got;
    char buffer[256];
    DWORD n = 0;
    while (::ReadFile(handle_, buffer, sizeof buffer, &n, nullptr) && n > 0)
        got.append(buffer, n);
    return got;
}

std::string DeviceEnd::read_exactly(size_t count, DWORD limit_ms)
{
    std::string got;
    const ULONGLONG deadline = ::GetTickCount64() + limit_ms;
    while (got.size() < count && ::GetTickCount64() < deadline) {
        char buffer[256];
        DWORD n = 0;
        const DWORD want = static_cast<DWORD>(std::min<size_t>(count - got.size(), sizeof buffer));
        if (::ReadFile(handle_, buffer, want, &n, nullptr) && n > 0)
            got.append(buffer, n);
        else
            ::Sleep(1);
    }
    return got;
}

void DeviceEnd::purge()
{
    ::PurgeComm(handle_, PURGE_RXCLEAR | PURGE_TXCLEAR);
    read_available();
}

MessageSink::MessageSink() : hwnd_(nullptr)
{
    static const ATOM cls = [] {
        WNDCLASSW wc;
        std::memset(&wc, 0, sizeof wc);
        wc.lpfnWndProc = sink_proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"serial_test_sink";
        return ::RegisterClassW(&wc);
    }();
    (void)cls;
    hwnd_ = ::CreateWindowExW(0, L"serial_test_sink", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              ::GetModuleHandleW(nullptr), nullptr);
}

MessageSink::~MessageSink()
{
    drain();
    ::DestroyWindow(hwnd_);
}

bool MessageSink::take(UINT message, MSG& out, DWORD limit_ms)
{
    const ULONGLONG deadline = ::GetTickCount64() + limit_ms;
    for (;;) {
        if (::PeekMessageW(&out, hwnd_, message, message, PM_REMOVE))
            return true;
        const ULONGLONG now = ::GetTickCount64();
        if (now >= deadline)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_POSTMESSAGE);
    }
}

bool MessageSink::wait_queued(UINT message, DWORD limit_ms)
{
    const ULONGLONG deadline = ::GetTickCount64() + limit_ms;
    for (;;) {
        MSG msg;
        if (::PeekMessageW(&msg, hwnd_, message, message, PM_NOREMOVE))
            return true;
        const ULONGLONG now = ::GetTickCount64();
        if (now >= deadline)
            return false;
        // Only new input wakes this wait; a short one keeps looking.
        ::MsgWaitForMultipleObjectsEx(0, nullptr, 5, QS_POSTMESSAGE, 0);
    }
}

std::vector<MSG> MessageSink::drain()
{
    std::vector<MSG> messages;
    MSG msg;
    while (::PeekMessageW(&msg, hwnd_, 0, 0, PM_REMOVE))
        messages.push_back(msg);
    return messages;
}

namespace {

// The system's handle table, as ntdll reports it (SystemExtendedHandleInformation).
struct HandleEntry {
    PVOID object;
    ULONG_PTR process_id;
    ULONG_PTR handle_value;
    ULONG granted_access;
    USHORT creator_back_trace_index;
    USHORT object_type_index;
    ULONG handle_attributes;
    ULONG reserved;
};
struct HandleTable {
    ULONG_PTR count;
    ULONG_PTR reserved;
    HandleEntry entries[1];
};
using QuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

long count_in_handle_table()
{
    auto query = reinterpret_cast<QuerySystemInformation>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query)
        return -1;
    std::vector<unsigned char> buffer(1 << 20);
    for (;;) {
        ULONG needed = 0;
        const LONG status = query(64, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == static_cast<LONG>(0xC0000004)) {  // STATUS_INFO_LENGTH_MISMATCH
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (status != 0)
            return -1;
        const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
        long mine = 0;
        for (ULONG_PTR i = 0; i < table->count; ++i)
            if (table->entries[i].process_id == ::GetCurrentProcessId())
                ++mine;
        return mine;
    }
}

}  // namespace

long own_handle_count()
{
    DWORD count = 0;
    if (::GetProcessHandleCount(::GetCurrentProcess(), &count) && count > 0)
        return static_cast<long>(count);
    return count_in_handle_table();
}

Watchdog::Watchdog(const char* what, DWORD limit_ms)
    : what_(what), limit_ms_(limit_ms), done_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)), thread_(nullptr)
{
    thread_ = ::CreateThread(nullptr, 0, &Watchdog::Run, this, 0, nullptr);
}

Watchdog::~Watchdog()
{
    ::SetEvent(done_);
    ::WaitForSingleObject(thread_, INFINITE);
    ::CloseHandle(thread_);
    ::CloseHandle(done_);
}

DWORD WINAPI Watchdog::Run(LPVOID self)
{
    auto* dog = static_cast<Watchdog*>(self);
    if (::WaitForSingleObject(dog->done_, dog->limit_ms_) == WAIT_TIMEOUT) {
        std::fprintf(stderr, "watchdog: \"%s\" did not finish within %lu ms\n", dog->what_,
                     static_cast<unsigned long>(dog->limit_ms_));
        std::fflush(stderr);
        ::TerminateProcess(::GetCurrentProcess(), 3);
    }
    return 0;
}

}  // namespace serial_test
