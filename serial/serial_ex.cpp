// CSerialEx: the listener thread that turns port events into HandleCommEvent calls.
#include "serial/serial.h"

#include "serial/platform_error.h"

using tavix::serial::platform_error;

CSerialEx::CSerialEx() : stopRequested(false), listenerThread(nullptr), listenerEvent(nullptr) {}

CSerialEx::~CSerialEx()
{
    // Virtual calls resolve to this class here; a derived class's callback
    // is already gone, which is why it must have stopped the listener itself.
    if (listenerThread || listenerEvent || portHandle.load())
        CSerialEx::ClosePort();
}

LONG CSerialEx::OpenPort(LPCWSTR name, DWORD inQueue, DWORD outQueue, bool startAtOnce)
{
    const LONG status = CSerial::OpenPort(name, inQueue, outQueue, true);
    if (status)
        return status;

    HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!event) {
        const LONG error = platform_error();
        CSerial::ClosePort();
        return SetStatus(error);
    }
    listenerEvent = event;

    if (startAtOnce) {
        const LONG started = StartEventThread();
        if (started)
            return started;
    }
    return SetStatus(0);
}

LONG CSerialEx::ClosePort()
{
    StopEventThread(INFINITE);
    if (listenerEvent) {
        ::CloseHandle(listenerEvent);
        listenerEvent = nullptr;
    }
    return CSerial::ClosePort();
}

LONG CSerialEx::StartEventThread()
{
    if (listenerThread) {
        if (!stopRequested) {
            lastError = 0;
            return 0;
        }
        // A stop that ran out of time earlier: that listener ends as soon as
        // its callback returns; a new one starts after it.
        ::WaitForSingleObject(listenerThread, INFINITE);
        ::CloseHandle(listenerThread);
        listenerThread = nullptr;
        stopRequested = false;
    }
    HANDLE thread = ::CreateThread(nullptr, 0, &CSerialEx::ListenerMain, this, 0, nullptr);
    if (!thread)
        return SetStatus(platform_error());
    listenerThread = thread;
    return SetStatus(0);
}

LONG CSerialEx::StopEventThread(DWORD timeout)
{
    if (listenerThread) {
        // The request goes first: the wake-up below must find it.
        stopRequested = true;
        ApplyEventMask(QueryEventMask());
        const DWORD waited = ::WaitForSingleObject(listenerThread, timeout);
        if (waited != WAIT_TIMEOUT) {
            ::CloseHandle(listenerThread);
            listenerThread = nullptr;
            stopRequested = false;
        }
        // On a timeout the listener still runs on this object: it keeps its
        // stop request and its handle, and whoever releases the object's
        // events or the object itself (ClosePort, the destructor) waits for it.
    }
    return SetStatus(0);
}

DWORD WINAPI CSerialEx::ListenerMain(LPVOID self)
{
    return static_cast<CSerialEx*>(self)->ListenerLoop();
}

DWORD CSerialEx::ListenerLoop()
{
    for (;;) {
        ::ResetEvent(listenerEvent);
        OVERLAPPED record;
        ZeroMemory(&record, sizeof record);
        record.hEvent = listenerEvent;

        // With a record of its own the wait returns 0 whether it ended at
        // once (its event is then set) or is still pending.
        const LONG status = AwaitCommEvent(&record, INFINITE);
        if (status)
            return static_cast<DWORD>(status);

        if (stopRequested) {
            // The stop came after the last check but possibly before this wait
            // began, when re-applying the mask had no wait to end.  End it
            // here, and let it finish before the record goes out of scope.
            ::SetCommMask(portHandle.load(), eventMask);
            ::WaitForSingleObject(listenerEvent, INFINITE);
            return 0;
        }

        if (::WaitForSingleObject(listenerEvent, INFINITE) != WAIT_OBJECT_0) {
            const LONG error = platform_error();
            lastError = error;
            return static_cast<DWORD>(error);
        }
        if (stopRequested)
            return 0;

        const DWORD events = eventMask & reportedEvents;
        reportedEvents = 0;

        // Line errors are fetched (and cleared) at every wake-up, so they are
        // reported together with the next event.
        DWORD errors = 0;
        if (!::ClearCommError(portHandle.load(), &errors, nullptr)) {
            lastError = platform_error();
            errors = 0;
        }
        if (events)
            HandleCommEvent(events, errors);

        if (stopRequested)
            return 0;
    }
}
