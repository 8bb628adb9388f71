// Serial benchmark (reports numbers; not a test).
//
//   latency  a byte written at the device end of the cable, until its window
//            message is handled on the owner's thread: p50 / p99 / max over
//            1,000 bytes (after 50 unmeasured ones).
//   idle     process CPU time over 5 s with a port open and the device silent,
//            beside the same 5 s with no port open, and the listener thread's
//            own CPU time.
//
// Runs under Wine on ptylink's ports: `cmake --build <dir> --target
// run_serial_bench`, or serial/bench/run-bench.
#include "serial/serial.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <string>
#include <vector>

namespace {

constexpr UINT kNotification = WM_APP + 1;
constexpr int kWarmUp = 50;
constexpr int kSamples = 1000;

class ListenerProbe : public CSerialWnd {
public:
    HANDLE listener() const { return listenerThread; }
};

struct Ports {
    std::wstring product;
    std::wstring device;
};

Ports ports_from_environment()
{
    wchar_t links[128] = {};
    ::GetEnvironmentVariableW(L"TAVIX_PTY_LINKS", links, 128);
    const wchar_t* colon = std::wcschr(links, L':');
    if (!colon) {
        std::fprintf(stderr, "TAVIX_PTY_LINKS is not set (run through ptylink)\n");
        std::exit(2);
    }
    const wchar_t* end = std::wcschr(colon, L',');
    std::wstring product(links, static_cast<size_t>(colon - links));
    std::wstring device = end ? std::wstring(colon + 1, end) : std::wstring(colon + 1);
    for (auto* name : {&product, &device})
        for (auto& c : *name)
            c = static_cast<wchar_t>(std::towupper(c));
    return {L"\\\\.\\" + product, L"\\\\.\\" + device};
}

double seconds(const FILETIME& t)
{
    ULARGE_INTEGER v;
    v.LowPart = t.dwLowDateTime;
    v.HighPart = t.dwHighDateTime;
    return static_cast<double>(v.QuadPart) / 1e7;
}

double process_cpu_seconds()
{
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    return seconds(kernel) + seconds(user);
}

double thread_cpu_seconds(HANDLE thread)
{
    FILETIME created, exited, kernel, user;
    if (!::GetThreadTimes(thread, &created, &exited, &kernel, &user))
        return -1;
    return seconds(kernel) + seconds(user);
}

LRESULT CALLBACK window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

HWND make_window()
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = window_proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"serial_bench";
    ::RegisterClassW(&wc);
    return ::CreateWindowExW(0, L"serial_bench", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
}

// Waits for the next notification and returns the time it is handled.
bool handle_next(HWND window, LARGE_INTEGER& handled)
{
    MSG msg;
    while (::GetMessageW(&msg, window, 0, 0) > 0) {
        if (msg.message == kNotification) {
            ::QueryPerformanceCounter(&handled);
            return true;
        }
        ::DispatchMessageW(&msg);
    }
    return false;
}

void drain(HWND window)
{
    MSG msg;
    while (::PeekMessageW(&msg, window, 0, 0, PM_REMOVE)) {
    }
}

void idle_for_five_seconds()
{
    // The owner's thread waits as a UI thread would, for messages.
    const ULONGLONG end = ::GetTickCount64() + 5000;
    for (ULONGLONG now = ::GetTickCount64(); now < end; now = ::GetTickCount64())
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
}

}  // namespace

int main()
{
    const Ports ports = ports_from_environment();
    HWND window = make_window();
    HANDLE device = ::CreateFileW(ports.device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                  nullptr);
    if (!window || device == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "cannot open the window or the device end\n");
        return 1;
    }
    COMMTIMEOUTS immediate = {MAXDWORD, 0, 0, 0, 0};
    ::SetCommTimeouts(device, &immediate);

    // Idle cost with no port, as the baseline of this process under Wine.
    double cpu = process_cpu_seconds();
    idle_for_five_seconds();
    const double idle_closed = process_cpu_seconds() - cpu;

    ListenerProbe port;
    if (port.OpenForWindow(ports.product.c_str(), window, kNotification, 0, 0, 0) != 0) {
        std::fprintf(stderr, "OpenForWindow failed: %ld\n", static_cast<long>(port.LastStatus()));
        return 1;
    }

    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    std::vector<double> latencies;
    latencies.reserve(kSamples);
    for (int i = 0; i < kWarmUp + kSamples; ++i) {
        LARGE_INTEGER sent, handled;
        const char byte = static_cast<char>('0' + i % 10);
        DWORD n = 0;
        ::QueryPerformanceCounter(&sent);
        ::WriteFile(device, &byte, 1, &n, nullptr);
        if (!handle_next(window, handled))
            return 1;
        if (i >= kWarmUp)
            latencies.push_back(static_cast<double>(handled.QuadPart - sent.QuadPart) * 1e3 /
                                static_cast<double>(frequency.QuadPart));
        // Read as the component does, one byte at a time until none is left.
        char got;
        do {
            port.ReadBytes(&got, 1, &n);
        } while (n);
        // Let notifications raised before the read arrive, then start clean.
        ::Sleep(3);
        drain(window);
    }
    std::sort(latencies.begin(), latencies.end());
    const auto at = [&](double q) { return latencies[static_cast<size_t>(q * (latencies.size() - 1))]; };
    double sum = 0;
    for (double v : latencies)
        sum += v;

    cpu = process_cpu_seconds();
    const double listener_before = thread_cpu_seconds(port.listener());
    idle_for_five_seconds();
    const double idle_open = process_cpu_seconds() - cpu;
    const double listener_idle = thread_cpu_seconds(port.listener()) - listener_before;
    port.ClosePort();
    ::CloseHandle(device);

    std::printf("notification latency, byte at device end -> message handled on owner's thread (%d bytes):\n",
                kSamples);
    std::printf("  p50 %.3f ms   p99 %.3f ms   max %.3f ms   mean %.3f ms\n", at(0.50), at(0.99),
                latencies.back(), sum / latencies.size());
    std::printf("idle CPU time over 5 s, device silent:\n");
    std::printf("  process, port open:   %.3f s (%.2f%% of one core)\n", idle_open, idle_open / 5.0 * 100);
    std::printf("  process, no port:     %.3f s\n", idle_closed);
    std::printf("  listener thread:      %.3f s\n", listener_idle);
    return 0;
}
