// CSerial over the Win32 communications API.
#include "serial/serial.h"

#include "serial/comm_rules.h"
#include "serial/platform_error.h"

#include <cstring>

namespace rules = tavix::serial;

static_assert(rules::kEventReceived == EV_RXCHAR && rules::kEventFlagChar == EV_RXFLAG &&
                  rules::kEventBreak == EV_BREAK && rules::kEventLineError == EV_ERR,
              "event bits");
static_assert(rules::kLineControlDisable == DTR_CONTROL_DISABLE &&
                  rules::kLineControlDisable == RTS_CONTROL_DISABLE &&
                  rules::kLineControlHandshake == DTR_CONTROL_HANDSHAKE &&
                  rules::kLineControlHandshake == RTS_CONTROL_HANDSHAKE,
              "line control values");

using tavix::serial::platform_error;

CSerial::CSerial()
    : lastError(0), portHandle(nullptr), reportedEvents(0), eventMask(0), ioEvent(nullptr), nonBlockingReads(false)
{
}

CSerial::~CSerial()
{
    if (portHandle.load())
        CSerial::ClosePort();
}

LONG CSerial::OpenPort(LPCWSTR name, DWORD inQueue, DWORD outQueue, bool overlapped)
{
    lastError = 0;
    if (portHandle.load())
        return SetStatus(ERROR_ALREADY_INITIALIZED);

    HANDLE port = ::CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                overlapped ? FILE_FLAG_OVERLAPPED : 0, nullptr);
    if (port == INVALID_HANDLE_VALUE)
        return SetStatus(platform_error());

    if (overlapped) {
        HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (!event) {
            const LONG error = platform_error();
            ::CloseHandle(port);
            return SetStatus(error);
        }
        ioEvent = event;
    }
    portHandle = port;
    nonBlockingReads = false;

    if (inQueue || outQueue) {
        if (!::SetupComm(port, inQueue, outQueue)) {
            const LONG error = platform_error();
            ClosePort();
            return SetStatus(error);
        }
    }

    // A mask that cannot be set is not the opening's failure: the read mode
    // below decides the outcome.
    ApplyEventMask(rules::kOpeningEventMask);
    const LONG status = ConfigureReadMode(ReadNonBlocking);
    ApplyStoredSettings(port, name);
    return SetStatus(status);
}

void CSerial::ApplyStoredSettings(HANDLE port, LPCWSTR name)
{
    // The settings the system keeps for this port go on last; a port without
    // any keeps what the driver gave it.
    COMMCONFIG config;
    std::memset(&config, 0, sizeof config);
    config.dwSize = sizeof config;
    DWORD size = sizeof config;
    if (::GetDefaultCommConfigW(rules::stored_settings_name(name), &config, &size))
        ::SetCommConfig(port, &config, size);
}

LONG CSerial::ClosePort()
{
    lastError = 0;
    HANDLE port = portHandle.load();
    if (!port)
        return 0;
    if (ioEvent) {
        ::CloseHandle(ioEvent);
        ioEvent = nullptr;
    }
    // Forget the handle before closing it, so that nobody can act on a
    // handle value the system may already have given to something else.
    portHandle = nullptr;
    ::CloseHandle(port);
    nonBlockingReads = false;
    return 0;
}

bool CSerial::ReadState(DCB& dcb)
{
    lastError = 0;
    HANDLE port = portHandle.load();
    if (!port) {
        lastError = ERROR_INVALID_HANDLE;
        return false;
    }
    std::memset(&dcb, 0, sizeof dcb);
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(port, &dcb)) {
        lastError = platform_error();
        return false;
    }
    return true;
}

LONG CSerial::ConfigureLine(DWORD baudRate, BYTE dataBits, BYTE parity, BYTE stopBits)
{
    DCB dcb;
    if (!ReadState(dcb))
        return lastError;
    dcb.BaudRate = baudRate;
    dcb.ByteSize = dataBits;
    dcb.Parity = parity;
    dcb.StopBits = stopBits;
    dcb.fParity = parity != NOPARITY;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    if (!::SetCommState(portHandle.load(), &dcb))
        return SetStatus(platform_error());
    return 0;
}

LONG CSerial::AssignEventChar(char character, bool addToMask)
{
    DCB dcb;
    if (!ReadState(dcb))
        return lastError;
    dcb.EvtChar = character;
    LONG status = 0;
    if (addToMask)
        status = ApplyEventMask(QueryEventMask() | EV_RXFLAG);
    if (!::SetCommState(portHandle.load(), &dcb))
        return SetStatus(platform_error());
    return SetStatus(status);
}

LONG CSerial::ApplyEventMask(DWORD mask)
{
    lastError = 0;
    HANDLE port = portHandle.load();
    if (!port)
        return SetStatus(ERROR_INVALID_HANDLE);
    if (!::SetCommMask(port, mask))
        return SetStatus(platform_error());
    eventMask = mask;
    return 0;
}

LONG CSerial::AwaitCommEvent(LPOVERLAPPED overlapped, DWORD timeout)
{
    return Complete(Transfer::Wait, nullptr, 0, nullptr, overlapped, timeout);
}

LONG CSerial::ConfigureFlowControl(FlowControlMode mode)
{
    DCB dcb;
    if (!ReadState(dcb))
        return lastError;
    rules::FlowSettings flow;
    if (!rules::flow_settings_for(mode, flow))
        return SetStatus(E_INVALIDARG);
    dcb.fOutxCtsFlow = flow.outx_cts_flow;
    dcb.fOutxDsrFlow = flow.outx_dsr_flow;
    dcb.fDtrControl = flow.dtr_control;
    dcb.fRtsControl = flow.rts_control;
    dcb.fOutX = flow.out_x;
    dcb.fInX = flow.in_x;
    if (!::SetCommState(portHandle.load(), &dcb))
        return SetStatus(platform_error());
    return 0;
}

LONG CSerial::ConfigureReadMode(ReadMode mode)
{
    lastError = 0;
    HANDLE port = portHandle.load();
    if (!port)
        return SetStatus(ERROR_INVALID_HANDLE);
    COMMTIMEOUTS timeouts;
    if (!::GetCommTimeouts(port, &timeouts))
        return SetStatus(platform_error());
    uint32_t interval = 0;
    if (!rules::read_interval_for(mode, interval))
        return SetStatus(E_INVALIDARG);
    timeouts.ReadIntervalTimeout = interval;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 0;
    if (!::SetCommTimeouts(port, &timeouts))
        return SetStatus(platform_error());
    nonBlockingReads = mode == ReadNonBlocking;
    return 0;
}

LONG CSerial::QueryBaudRate()
{
    DCB dcb;
    return ReadState(dcb) ? static_cast<LONG>(dcb.BaudRate) : -1;
}

LONG CSerial::QueryDataBits()
{
    DCB dcb;
    return ReadState(dcb) ? dcb.ByteSize : -1;
}

LONG CSerial::QueryParity()
{
    DCB dcb;
    return ReadState(dcb) ? rules::reported_parity(dcb.fParity, dcb.Parity) : -1;
}

LONG CSerial::QueryStopBits()
{
    DCB dcb;
    return ReadState(dcb) ? dcb.StopBits : -1;
}

LONG CSerial::QueryFlowControl()
{
    DCB dcb;
    if (!ReadState(dcb))
        return -1;
    return rules::flow_mode_of(static_cast<uint8_t>(dcb.fDtrControl), static_cast<uint8_t>(dcb.fRtsControl),
                               dcb.fOutX, dcb.fInX);
}

DWORD CSerial::QueryEventMask()
{
    lastError = 0;
    if (!portHandle.load()) {
        lastError = ERROR_INVALID_HANDLE;
        return 0;
    }
    return eventMask;
}

char CSerial::QueryEventChar()
{
    DCB dcb;
    return ReadState(dcb) ? dcb.EvtChar : 0;
}

LONG CSerial::WriteText(const char* text, DWORD* written, LPOVERLAPPED overlapped, DWORD timeout)
{
    const DWORD length = text ? static_cast<DWORD>(std::strlen(text)) : 0;
    return WriteBytes(text ? text : "", length, written, overlapped, timeout);
}

LONG CSerial::WriteBytes(const void* data, DWORD count, DWORD* written, LPOVERLAPPED overlapped, DWORD timeout)
{
    DWORD local = 0;
    DWORD* moved = written ? written : &local;
    *moved = 0;
    return Complete(Transfer::Write, const_cast<void*>(data), count, moved, overlapped, timeout);
}

LONG CSerial::ReadBytes(void* data, DWORD count, DWORD* read, LPOVERLAPPED overlapped, DWORD timeout)
{
    DWORD local = 0;
    DWORD* moved = read ? read : &local;
    *moved = 0;
    return Complete(Transfer::Read, data, count, moved, overlapped, timeout);
}

bool CSerial::StartTransfer(Transfer kind, HANDLE port, void* buffer, DWORD count, DWORD* moved,
                            LPOVERLAPPED record)
{
    switch (kind) {
    case Transfer::Wait:
        return ::WaitCommEvent(port, &reportedEvents, record);
    case Transfer::Write:
        return ::WriteFile(port, buffer, count, moved, record);
    case Transfer::Read:
        return ::ReadFile(port, buffer, count, moved, record);
    }
    return false;
}

// One completion scheme for comm-event waits, writes and reads.
LONG CSerial::Complete(Transfer kind, void* buffer, DWORD count, DWORD* moved, LPOVERLAPPED record, DWORD timeout)
{
    lastError = 0;
    HANDLE port = portHandle.load();
    if (!port)
        return SetStatus(ERROR_INVALID_HANDLE);

    if (!ioEvent) {
        // Without overlapped I/O nothing can bound or hand back a transfer.
        if (record || timeout != INFINITE)
            return SetStatus(ERROR_INVALID_FUNCTION);
        if (!StartTransfer(kind, port, buffer, count, moved, nullptr))
            return SetStatus(platform_error());
        return 0;
    }

    OVERLAPPED internal;
    std::memset(&internal, 0, sizeof internal);
    internal.hEvent = ioEvent;
    LPOVERLAPPED used = record ? record : &internal;

    if (StartTransfer(kind, port, buffer, count, moved, used)) {
        if (used->hEvent)
            ::SetEvent(used->hEvent);
        return 0;
    }
    if (::GetLastError() != ERROR_IO_PENDING)
        return SetStatus(platform_error());
    if (record)
        return 0;

    // From here the platform holds `internal`, `moved` and the buffer until
    // the transfer has ended; every way out below waits for that.
    DWORD late = 0;
    if (kind == Transfer::Read && nonBlockingReads) {
        // A non-blocking read must not wait for data.  Some drivers (Wine's
        // among them) queue it when nothing has arrived yet instead of
        // finishing it empty: take back what it has and report that.
        ::CancelIo(port);
        ::GetOverlappedResult(port, &internal, &late, TRUE);
        *moved = late;
        return 0;
    }

    const DWORD waited = ::WaitForSingleObject(ioEvent, timeout);
    if (waited == WAIT_OBJECT_0) {
        if (kind == Transfer::Wait)
            return 0;
        if (!::GetOverlappedResult(port, &internal, moved, FALSE))
            return SetStatus(platform_error());
        return 0;
    }

    const LONG failure = waited == WAIT_TIMEOUT ? static_cast<LONG>(ERROR_TIMEOUT) : platform_error();
    // CancelIo ends only this thread's transfers, never the listener's wait.
    // A comm-event wait that a driver cannot cancel ends when the mask is
    // applied again (Wine's does so); re-applying the same mask changes nothing.
    ::CancelIo(port);
    if (kind == Transfer::Wait)
        ::SetCommMask(port, eventMask);
    const bool finished = ::GetOverlappedResult(port, &internal, &late, TRUE);
    // A transfer that completed before the cancellation took hold did not
    // time out; its bytes or events are reported rather than lost.
    if (finished && (kind != Transfer::Wait || reportedEvents != 0)) {
        if (kind != Transfer::Wait)
            *moved = late;
        return 0;
    }
    return SetStatus(failure);
}
