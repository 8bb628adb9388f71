// What the serial tests share: the cable to the pty-backed COM ports, the
// device end of it, a window that collects notifications, a handle count and
// a watchdog.  Windows-only; the ports come from ptylink (see ptylink.c).
#pragma once

#include "serial/win32.h"

#include <string>
#include <vector>

namespace serial_test {

// The first pair of TAVIX_PTY_LINKS ("com9:com42"): the port the classes
// under test open and the device end wired to it.
struct Cable {
    std::wstring product;        // "\\.\COM9"
    std::wstring product_plain;  // "COM9"
    std::wstring device;         // "\\.\COM42"
};
const Cable& cable();

// Puts the product end back to 9600 8N1, no flow control and empty queues, as
// a pty keeps its settings from one opening to the next.
void reset_product_end();

// The device's side of the cable, driven with plain Win32 calls so that the
// classes are checked against something they do not drive themselves.
class DeviceEnd {
public:
    DeviceEnd();
    ~DeviceEnd();
    DeviceEnd(const DeviceEnd&) = delete;
    DeviceEnd& operator=(const DeviceEnd&) = delete;

    bool is_open() const { return handle_ != INVALID_HANDLE_VALUE; }
    void write(const std::string& bytes);
    // Whatever has arrived, without waiting.
    std::string read_available();
    // Waits until `count` bytes have arrived (or the limit runs out).
    std::string read_exactly(size_t count, DWORD limit_ms = 5000);
    // Drops everything waiting at either end of the cable.
    void purge();

private:
    HANDLE handle_;
};

// A message-only window on the calling thread that notifications go to.
class MessageSink {
public:
    MessageSink();
    ~MessageSink();
    MessageSink(const MessageSink&) = delete;
    MessageSink& operator=(const MessageSink&) = delete;

    HWND hwnd() const { return hwnd_; }
    // Takes the next message `message` off this thread's queue, waiting up
    // to the limit for it to arrive.
    bool take(UINT message, MSG& out, DWORD limit_ms = 5000);
    // Waits until a message `message` is queued, leaving it there.
    bool wait_queued(UINT message, DWORD limit_ms = 5000);
    // Everything queued for the window now, in the order of posting.
    std::vector<MSG> drain();

private:
    HWND hwnd_;
};

// The number of handles this process holds.  GetProcessHandleCount where it
// is implemented; Wine answers it with 0, so there the system's handle table
// is counted instead.
long own_handle_count();

// Ends the whole program if the scope is not left within the limit: a test
// that hangs fails loudly instead of stalling the run.
class Watchdog {
public:
    Watchdog(const char* what, DWORD limit_ms);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    static DWORD WINAPI Run(LPVOID self);
    const char* what_;
    DWORD limit_ms_;
    HANDLE done_;
    HANDLE thread_;
};

}  // namespace serial_test
