// The serial-port classes of foo_tavix.
//
//   CSerial     one COM port: open/close, line settings, flow control, event
//               mask, read mode, comm-event waits, reads and writes.
//   CSerialEx   adds a listener thread that waits for the port's events and
//               hands them to HandleCommEvent (abstract).
//   CSerialWnd  posts each batch of events to a window as a message, so that
//               the bytes are read on the window's own thread.
//
// Statuses.  Every operation that returns LONG returns a status and keeps the
// same value in lastError: 0 on success, otherwise a Windows error code, or
//   1          ERROR_INVALID_FUNCTION    a record or a finite timeout given to a
//                                        transfer on a port opened without
//                                        overlapped I/O
//   6          ERROR_INVALID_HANDLE      anything but OpenPort/ClosePort while closed
//   1247       ERROR_ALREADY_INITIALIZED OpenPort while open
//   1460       ERROR_TIMEOUT             a transfer's time limit ran out; it was cancelled
//   0x80070057 E_INVALIDARG              an unknown flow-control or read mode
// Queries return their value (or their failure value) and leave the status in
// lastError (see LastStatus()).  Nothing here throws.
//
// Threads.  The owner (the thread that opens, closes, reads and writes) and
// the listener share the object without a lock; the fields they share are
// atomic.  Transfers without a caller's record complete on the object's own
// event, so at most one of them may run at a time.  StopEventThread and
// ClosePort must never be called from HandleCommEvent: they wait for the
// listener to end.
#pragma once

#include "serial/win32.h"

#include <atomic>

class CSerial {
public:
    enum FlowControlMode : int { FlowNone = 0, FlowHardware = 1, FlowSoftware = 2 };
    enum ReadMode : int { ReadNonBlocking = 0, ReadBlocking = 1 };

    CSerial();
    // Closes the port if it is open.
    virtual ~CSerial();

    CSerial(const CSerial&) = delete;
    CSerial& operator=(const CSerial&) = delete;

    // Opens the device by `name` exactly as given (e.g. L"\\\\.\\COM12"), not
    // shared with any other opener.  Non-zero queue sizes are passed to
    // SetupComm; with both 0 the driver keeps its own.  Every opening then
    // sets the event mask to EV_RXCHAR|EV_BREAK|EV_ERR, the non-blocking read
    // mode, and last the port's stored line settings (looked up under the
    // name without a leading "\\.\").  1247 if already open; on any other
    // failure the object stays closed, except when the read mode cannot be
    // set: that status is returned with the port open.
    virtual LONG OpenPort(LPCWSTR name, DWORD inQueue = 0, DWORD outQueue = 0, bool overlapped = false);
    // Closes the port and its event.  Any state; always 0.
    virtual LONG ClosePort();

    // Line parameters; also turns DTR and RTS (and any handshake on them) off.
    // parity: 0 none, 1 odd, 2 even, 3 mark, 4 space.  stopBits: 0 one,
    // 1 one and a half, 2 two.
    virtual LONG ConfigureLine(DWORD baudRate, BYTE dataBits, BYTE parity, BYTE stopBits);
    // Sets the event character; with addToMask, adds EV_RXFLAG to the mask.
    // A failure to apply the mask is returned even though the character was set.
    virtual LONG AssignEventChar(char character, bool addToMask = true);
    // Sets the events that waits report.  Applying a mask ends a pending
    // comm-event wait at once with no events.
    virtual LONG ApplyEventMask(DWORD mask);
    // Waits for a port event; the events land in reportedEvents.  With a
    // caller's record it may return 0 while still pending (the caller waits on
    // the record's event); the timeout then has no use.
    virtual LONG AwaitCommEvent(LPOVERLAPPED overlapped = nullptr, DWORD timeout = INFINITE);
    // FlowNone; FlowHardware (CTS/DSR hold output, DTR/RTS handshake);
    // FlowSoftware (XON/XOFF both ways).  E_INVALIDARG for any other mode.
    virtual LONG ConfigureFlowControl(FlowControlMode mode);
    // ReadNonBlocking: a read returns at once with what has arrived, maybe
    // nothing.  ReadBlocking: a read returns when all bytes asked for have
    // arrived (only a transfer's timeout bounds it).  E_INVALIDARG otherwise.
    virtual LONG ConfigureReadMode(ReadMode mode);

    // Queries: the value, or -1 (0 for the last two) when the port is closed
    // or its settings cannot be read.
    virtual LONG QueryBaudRate();
    virtual LONG QueryDataBits();
    // The parity code while parity is enabled, otherwise 0.
    virtual LONG QueryParity();
    virtual LONG QueryStopBits();
    // 1 when DTR and RTS are both under handshake, else 2 when XON/XOFF runs
    // both ways, else 0.
    virtual LONG QueryFlowControl();
    virtual DWORD QueryEventMask();
    virtual char QueryEventChar();

    // Transfers.  When a count pointer is given it is set to 0 first (also on
    // a closed port), then holds the bytes moved.  Without a record the call
    // waits for the transfer, for at most `timeout` ms (INFINITE: no limit);
    // when the limit runs out the transfer is cancelled, 1460 is returned with
    // a count of 0, and nothing touches the buffer or the count afterwards.
    // With a caller's record (overlapped ports only) the call may return 0
    // while the transfer goes on; the caller completes it through the record.
    //
    // WriteText writes the text without its terminating zero; an empty text
    // (or none) writes nothing and returns 0.
    virtual LONG WriteText(const char* text, DWORD* written = nullptr, LPOVERLAPPED overlapped = nullptr,
                           DWORD timeout = INFINITE);
    // The component writes a whole frame: WriteBytes(frame, size) blocks until
    // it is written; on a closed port it returns 6 and writes nothing.
    virtual LONG WriteBytes(const void* data, DWORD count, DWORD* written = nullptr,
                            LPOVERLAPPED overlapped = nullptr, DWORD timeout = INFINITE);
    // In the non-blocking read mode that every opening sets, ReadBytes(&b, 1,
    // &n) never waits: it returns 0 with n = 1, or n = 0 when nothing has
    // arrived.  On a closed port it returns 6 with n = 0.
    virtual LONG ReadBytes(void* data, DWORD count, DWORD* read = nullptr, LPOVERLAPPED overlapped = nullptr,
                           DWORD timeout = INFINITE);

    // The status the most recent operation left (what queries report through).
    LONG LastStatus() const { return lastError; }

protected:
    // Stores a status in lastError and returns it.
    LONG SetStatus(LONG status)
    {
        lastError = status;
        return status;
    }

    std::atomic<LONG> lastError;
    std::atomic<HANDLE> portHandle;
    // Written by the platform when a comm-event wait completes (its address is
    // handed to the wait, so the field must stay put while one is pending).
    // Only read once the wait's event is signalled, which orders the write.
    DWORD reportedEvents;
    std::atomic<DWORD> eventMask;
    // Completion event of the object's own transfers; only on overlapped ports.
    HANDLE ioEvent;

private:
    enum class Transfer { Wait, Write, Read };
    LONG Complete(Transfer kind, void* buffer, DWORD count, DWORD* moved, LPOVERLAPPED record, DWORD timeout);
    bool StartTransfer(Transfer kind, HANDLE port, void* buffer, DWORD count, DWORD* moved, LPOVERLAPPED record);
    bool ReadState(DCB& dcb);
    void ApplyStoredSettings(HANDLE port, LPCWSTR name);

    // Whether the read mode last set is the non-blocking one; owner's thread only.
    bool nonBlockingReads;
};

class CSerialEx : public CSerial {
public:
    CSerialEx();
    // Stops the listener and closes the port.  A class that overrides
    // HandleCommEvent must call ClosePort in its own destructor, while its
    // override still exists (as CSerialWnd does).
    ~CSerialEx() override;

    // Opens with overlapped I/O (the fourth argument means: start the listener
    // at once) and creates the listener's event.  A failure to start the
    // listener is returned with the port left open.
    LONG OpenPort(LPCWSTR name, DWORD inQueue = 0, DWORD outQueue = 0, bool startAtOnce = false) override;
    // Stops the listener without a time limit, then closes.  Always 0.
    LONG ClosePort() override;

    // Starts the listener unless one exists (then 0, and still one listener).
    virtual LONG StartEventThread();
    // Stops the listener, if any, waiting at most `timeout` ms for it.  Always
    // 0.  When the limit runs out the listener is not abandoned: the stop stays
    // requested and the object keeps its thread handle, so the listener ends
    // by itself as soon as its callback returns, and the next
    // StartEventThread, StopEventThread, ClosePort or the destructor waits for
    // it before anything it uses is released.
    virtual LONG StopEventThread(DWORD timeout = INFINITE);

protected:
    // Called on the listener thread with the events that occurred (within the
    // mask) and the line errors pending then.  The result is not used.
    virtual LONG HandleCommEvent(DWORD events, DWORD errors) = 0;

    std::atomic<bool> stopRequested;
    HANDLE listenerThread;
    HANDLE listenerEvent;

private:
    static DWORD WINAPI ListenerMain(LPVOID self);
    DWORD ListenerLoop();
};

class CSerialWnd : public CSerialEx {
public:
    CSerialWnd();
    ~CSerialWnd() override;

    // Opens the port (overlapped, both queue sizes as given; the component
    // passes 0, 0), records the destination and starts the listener.  From
    // then on each batch of port events is posted to `window` as `message`
    // (0: DefaultMessage()) with
    //   wParam = low 16 bits of the events | low 16 bits of the line errors << 16
    //   lParam = lParam as given.
    // 1247 if already open (nothing changes); the platform's error when the
    // port cannot be opened or the listener cannot start (the port is closed).
    virtual LONG OpenForWindow(LPCWSTR name, HWND window, UINT message = 0, LPARAM lParam = 0, DWORD inQueue = 0,
                               DWORD outQueue = 0);
    // Forgets the destination, stops the listener and closes.  Once it has
    // returned no notification is posted any more; one already queued finds
    // the port closed (ReadBytes returns 6 with a count of 0).  Always 0.
    LONG ClosePort() override;

    // The message number registered as "CSerialWnd_DefaultComMsg" while the
    // library loaded; 0 if the registration failed.
    static UINT DefaultMessage();

protected:
    LONG HandleCommEvent(DWORD events, DWORD errors) override;

    std::atomic<HWND> destWindow;
    std::atomic<UINT> destMessage;
    std::atomic<LPARAM> destParam;
};
