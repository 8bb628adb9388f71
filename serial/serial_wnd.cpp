// CSerialWnd: port events posted to a window as messages.
#include "serial/serial.h"

#include "serial/comm_rules.h"

namespace {

UINT RegisteredDefaultMessage()
{
    static const UINT number = ::RegisterWindowMessageW(L"CSerialWnd_DefaultComMsg");
    return number;
}

// Registered while the library loads, before any port can be opened.  This
// sits beside CSerialWnd's constructor so that every program using the class
// links it in; a static object elsewhere that opens a port during its own
// initialisation still finds the number through the function above.
[[maybe_unused]] const UINT loadTimeRegistration = RegisteredDefaultMessage();

}  // namespace

CSerialWnd::CSerialWnd() : destWindow(nullptr), destMessage(0), destParam(0) {}

CSerialWnd::~CSerialWnd()
{
    // The listener must be gone before this class's callback is.
    if (listenerThread)
        CSerialWnd::ClosePort();
}

UINT CSerialWnd::DefaultMessage()
{
    return RegisteredDefaultMessage();
}

LONG CSerialWnd::OpenForWindow(LPCWSTR name, HWND window, UINT message, LPARAM lParam, DWORD inQueue,
                               DWORD outQueue)
{
    const LONG status = CSerialEx::OpenPort(name, inQueue, outQueue, false);
    if (status)
        return status;

    // The destination is in place before the listener can raise anything.
    destWindow = window;
    destMessage = message ? message : DefaultMessage();
    destParam = lParam;

    const LONG started = StartEventThread();
    if (started) {
        ClosePort();
        return SetStatus(started);
    }
    return SetStatus(0);
}

LONG CSerialWnd::ClosePort()
{
    // Cleared before the listener is stopped: anything it raises meanwhile
    // goes nowhere.
    destWindow = nullptr;
    destMessage = 0;
    return CSerialEx::ClosePort();
}

LONG CSerialWnd::HandleCommEvent(DWORD events, DWORD errors)
{
    // Posted, never sent: the listener does not wait for the window.  A
    // notification raised while ClosePort is clearing the destination is
    // dropped here rather than posted to no window.
    HWND window = destWindow;
    const UINT message = destMessage;
    if (window && message)
        ::PostMessageW(window, message, tavix::serial::pack_notification(events, errors), destParam);
    return 0;
}
