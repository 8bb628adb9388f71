// CSerial on a pty-backed COM port under Wine: statuses, settings, read modes
// and transfers, checked from the device end of the cable.
#include "serial/serial.h"
#include "serial/tests/serial_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <thread>

using serial_test::cable;
using serial_test::DeviceEnd;
using serial_test::Watchdog;

namespace {

constexpr LONG kInvalidArg = static_cast<LONG>(0x80070057);

// Lets a test look at what the class keeps behind its operations.
class PortProbe : public CSerial {
public:
    HANDLE port() const { return portHandle; }
    DWORD reported() const { return reportedEvents; }

    DCB state() const
    {
        DCB dcb;
        std::memset(&dcb, 0, sizeof dcb);
        dcb.DCBlength = sizeof dcb;
        ::GetCommState(portHandle, &dcb);
        return dcb;
    }
    COMMTIMEOUTS timeouts() const
    {
        COMMTIMEOUTS t = {};
        ::GetCommTimeouts(portHandle, &t);
        return t;
    }
};

// Reads in the non-blocking mode until `count` bytes have come or the limit
// runs out.
std::string read_from(CSerial& port, size_t count, DWORD limit_ms = 5000)
{
    std::string got;
    const ULONGLONG deadline = ::GetTickCount64() + limit_ms;
    while (got.size() < count && ::GetTickCount64() < deadline) {
        char buffer[64];
        DWORD n = 0;
        if (port.ReadBytes(buffer, static_cast<DWORD>(std::min<size_t>(sizeof buffer, count - got.size())), &n) != 0)
            break;
        if (n)
            got.append(buffer, n);
        else
            ::Sleep(1);
    }
    return got;
}

class PortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        serial_test::reset_product_end();
        ASSERT_TRUE(device.is_open());
        device.purge();
    }

    void open(bool overlapped = true)
    {
        ASSERT_EQ(port.OpenPort(cable().product.c_str(), 0, 0, overlapped), 0);
    }

    DeviceEnd device;
    PortProbe port;
    Watchdog watchdog{"a port test", 60000};
};

// Every operation but OpenPort and ClosePort on a port that is not open.
void expect_all_refused(CSerial& port)
{
    OVERLAPPED record = {};
    char buffer[4] = {};
    struct Op {
        const char* name;
        std::function<LONG()> call;
    };
    const Op ops[] = {
        {"ConfigureLine", [&] { return port.ConfigureLine(9600, 8, 0, 0); }},
        {"AssignEventChar", [&] { return port.AssignEventChar('x', true); }},
        {"ApplyEventMask", [&] { return port.ApplyEventMask(EV_RXCHAR); }},
        {"AwaitCommEvent", [&] { return port.AwaitCommEvent(); }},
        {"AwaitCommEvent/record", [&] { return port.AwaitCommEvent(&record, 10); }},
        {"ConfigureFlowControl", [&] { return port.ConfigureFlowControl(CSerial::FlowNone); }},
        {"ConfigureReadMode", [&] { return port.ConfigureReadMode(CSerial::ReadNonBlocking); }},
        {"WriteText", [&] { return port.WriteText("x"); }},
        {"WriteBytes", [&] { return port.WriteBytes("x", 1); }},
        {"ReadBytes", [&] { return port.ReadBytes(buffer, 1); }},
    };
    for (const Op& op : ops) {
        EXPECT_EQ(op.call(), ERROR_INVALID_HANDLE) << op.name;
        EXPECT_EQ(port.LastStatus(), ERROR_INVALID_HANDLE) << op.name;
    }

    struct Query {
        const char* name;
        std::function<LONG()> call;
        LONG failure;
    };
    const Query queries[] = {
        {"QueryBaudRate", [&] { return port.QueryBaudRate(); }, -1},
        {"QueryDataBits", [&] { return port.QueryDataBits(); }, -1},
        {"QueryParity", [&] { return port.QueryParity(); }, -1},
        {"QueryStopBits", [&] { return port.QueryStopBits(); }, -1},
        {"QueryFlowControl", [&] { return port.QueryFlowControl(); }, -1},
        {"QueryEventMask", [&] { return static_cast<LONG>(port.QueryEventMask()); }, 0},
        {"QueryEventChar", [&] { return static_cast<LONG>(port.QueryEventChar()); }, 0},
    };
    for (const Query& q : queries) {
        EXPECT_EQ(q.call(), q.failure) << q.name;
        EXPECT_EQ(port.LastStatus(), ERROR_INVALID_HANDLE) << q.name;
    }

    // Counts are cleared even though nothing can move.
    DWORD written = 77, read = 77, text = 77;
    EXPECT_EQ(port.WriteBytes("abc", 3, &written), ERROR_INVALID_HANDLE);
    EXPECT_EQ(port.ReadBytes(buffer, 3, &read), ERROR_INVALID_HANDLE);
    EXPECT_EQ(port.WriteText("abc", &text), ERROR_INVALID_HANDLE);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(read, 0u);
    EXPECT_EQ(text, 0u);

    EXPECT_EQ(port.ClosePort(), 0);
    EXPECT_EQ(port.LastStatus(), 0);
    EXPECT_EQ(port.ClosePort(), 0);
}

}  // namespace

TEST(ClosedPort, NeverOpenedRefusesEverythingButClose)
{
    CSerial port;
    EXPECT_EQ(port.LastStatus(), 0);
    expect_all_refused(port);
}

TEST(ClosedPort, AfterAFailedOpenTheObjectIsClosed)
{
    CSerial port;
    // No device has this name in the test prefix.
    const LONG status = port.OpenPort(L"\\\\.\\COM33", 0, 0, true);
    EXPECT_EQ(status, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(port.LastStatus(), status);
    expect_all_refused(port);
}

TEST_F(PortTest, AfterCloseEverythingButOpenIsRefusedAndReopeningWorks)
{
    open();
    EXPECT_EQ(port.ClosePort(), 0);
    EXPECT_EQ(port.port(), nullptr);
    expect_all_refused(port);
    open();
    EXPECT_EQ(port.WriteText("again"), 0);
    EXPECT_EQ(device.read_exactly(5), "again");
}

class OpeningTest : public PortTest, public ::testing::WithParamInterface<bool> {};

TEST_P(OpeningTest, SetsTheMaskAndANonBlockingReadMode)
{
    open(GetParam());
    EXPECT_EQ(port.QueryEventMask(), static_cast<DWORD>(EV_RXCHAR | EV_BREAK | EV_ERR));
    EXPECT_EQ(port.LastStatus(), 0);
    const COMMTIMEOUTS t = port.timeouts();
    EXPECT_EQ(t.ReadIntervalTimeout, MAXDWORD);
    EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(t.ReadTotalTimeoutConstant, 0u);

    // Nothing has arrived: the read comes back empty instead of waiting.
    char byte = 0;
    DWORD n = 9;
    EXPECT_EQ(port.ReadBytes(&byte, 1, &n), 0);
    EXPECT_EQ(n, 0u);

    device.write("K");
    EXPECT_EQ(read_from(port, 1), "K");
}

INSTANTIATE_TEST_SUITE_P(OverlappedOrNot, OpeningTest, ::testing::Bool());

TEST_F(PortTest, OpeningAnOpenPortIsRefusedAndChangesNothing)
{
    open();
    ASSERT_EQ(port.ApplyEventMask(EV_RXCHAR), 0);
    ASSERT_EQ(port.ConfigureLine(19200, 8, NOPARITY, TWOSTOPBITS), 0);
    HANDLE before = port.port();

    EXPECT_EQ(port.OpenPort(cable().product.c_str(), 0, 0, true), ERROR_ALREADY_INITIALIZED);
    EXPECT_EQ(port.LastStatus(), ERROR_ALREADY_INITIALIZED);

    EXPECT_EQ(port.port(), before);
    EXPECT_EQ(port.QueryEventMask(), static_cast<DWORD>(EV_RXCHAR));
    EXPECT_EQ(port.QueryBaudRate(), 19200);
    EXPECT_EQ(port.QueryStopBits(), TWOSTOPBITS);
    EXPECT_EQ(port.WriteText("still"), 0);
    EXPECT_EQ(device.read_exactly(5), "still");
}

TEST_F(PortTest, BytesTravelBothWaysAndCountsTellHowMany)
{
    open();
    DWORD written = 0;
    EXPECT_EQ(port.WriteBytes("hello", 5, &written), 0);
    EXPECT_EQ(written, 5u);
    EXPECT_EQ(device.read_exactly(5), "hello");

    device.write("world");
    EXPECT_EQ(read_from(port, 5), "world");

    EXPECT_EQ(port.WriteText("abc", &written), 0);
    EXPECT_EQ(written, 3u);
    EXPECT_EQ(device.read_exactly(3), "abc");

    // An empty text writes nothing: the next byte is the first to arrive.
    written = 9;
    EXPECT_EQ(port.WriteText("", &written), 0);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(port.LastStatus(), 0);
    written = 9;
    EXPECT_EQ(port.WriteText(nullptr, &written), 0);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(port.WriteText("Z"), 0);
    EXPECT_EQ(device.read_exactly(1), "Z");
    EXPECT_EQ(device.read_available(), "");
}

TEST_F(PortTest, LineSettingsReadBackAndTurnDtrRtsOff)
{
    open();
    // A pty always runs 8 data bits without parity (Linux forces CS8 and
    // clears PARENB on it), so data bits and parity read back as 8 and 0
    // whatever was asked; Wine keeps 1.5 stop bits as two.  The baud rate and
    // the stop bits are what the pty keeps.
    struct Case {
        DWORD baud;
        BYTE bits, parity, stop;
        LONG stop_read;
    };
    const Case cases[] = {
        {19200, 8, NOPARITY, ONESTOPBIT, ONESTOPBIT},
        {115200, 7, EVENPARITY, TWOSTOPBITS, TWOSTOPBITS},
        {4800, 8, ODDPARITY, ONE5STOPBITS, TWOSTOPBITS},
        {57600, 5, MARKPARITY, ONESTOPBIT, ONESTOPBIT},
        {9600, 8, SPACEPARITY, TWOSTOPBITS, TWOSTOPBITS},
    };
    for (const Case& c : cases) {
        // Hardware flow first, so that the line settings have a handshake to
        // turn off.
        ASSERT_EQ(port.ConfigureFlowControl(CSerial::FlowHardware), 0);
        EXPECT_EQ(port.ConfigureLine(c.baud, c.bits, c.parity, c.stop), 0) << c.baud;
        EXPECT_EQ(port.LastStatus(), 0);
        EXPECT_EQ(port.QueryBaudRate(), static_cast<LONG>(c.baud));
        EXPECT_EQ(port.QueryStopBits(), c.stop_read) << c.baud;
        EXPECT_EQ(port.QueryDataBits(), 8) << c.baud;
        EXPECT_EQ(port.QueryParity(), NOPARITY) << c.baud;
        EXPECT_EQ(port.LastStatus(), 0);

        const DCB dcb = port.state();
        EXPECT_EQ(dcb.fDtrControl, static_cast<DWORD>(DTR_CONTROL_DISABLE)) << c.baud;
        EXPECT_NE(dcb.fRtsControl, static_cast<DWORD>(RTS_CONTROL_HANDSHAKE)) << c.baud;
        // Everything else is kept: the CTS output flow that the hardware mode set.
        EXPECT_EQ(dcb.fOutxCtsFlow, 1u) << c.baud;
        EXPECT_NE(port.QueryFlowControl(), CSerial::FlowHardware);
    }
    // Bytes still pass after all that.
    ASSERT_EQ(port.ConfigureFlowControl(CSerial::FlowNone), 0);
    EXPECT_EQ(port.WriteText("ok"), 0);
    EXPECT_EQ(device.read_exactly(2), "ok");
}

TEST_F(PortTest, FlowControlModesSetTheirFieldsAndUnknownModesChangeNothing)
{
    open();
    // Wine reports DTR from the modem lines (a pty has none) and RTS as
    // "enabled" under CTS flow, so hardware flow reads back as 0 there; the
    // rule itself is checked natively (FlowModeOf).
    struct Case {
        CSerial::FlowControlMode mode;
        LONG query;
        DWORD cts, out_x, in_x;
    };
    const Case cases[] = {
        {CSerial::FlowSoftware, 2, 0, 1, 1},
        {CSerial::FlowHardware, 0, 1, 0, 0},
        {CSerial::FlowSoftware, 2, 0, 1, 1},
        {CSerial::FlowNone, 0, 0, 0, 0},
        {CSerial::FlowHardware, 0, 1, 0, 0},
        {CSerial::FlowNone, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(port.ConfigureFlowControl(c.mode), 0) << c.mode;
        EXPECT_EQ(port.LastStatus(), 0);
        EXPECT_EQ(port.QueryFlowControl(), c.query) << c.mode;
        const DCB dcb = port.state();
        EXPECT_EQ(dcb.fOutxCtsFlow, c.cts) << c.mode;
        EXPECT_EQ(dcb.fOutX, c.out_x) << c.mode;
        EXPECT_EQ(dcb.fInX, c.in_x) << c.mode;
    }

    ASSERT_EQ(port.ConfigureFlowControl(CSerial::FlowSoftware), 0);
    const DCB before = port.state();
    for (int mode : {3, -1, 100}) {
        EXPECT_EQ(port.ConfigureFlowControl(static_cast<CSerial::FlowControlMode>(mode)), kInvalidArg) << mode;
        EXPECT_EQ(port.LastStatus(), kInvalidArg);
        const DCB after = port.state();
        EXPECT_EQ(std::memcmp(&before, &after, sizeof(DCB)), 0) << mode;
        EXPECT_EQ(port.QueryFlowControl(), CSerial::FlowSoftware);
    }
    ASSERT_EQ(port.ConfigureFlowControl(CSerial::FlowNone), 0);
}

TEST_F(PortTest, ReadModesSetOnlyTheReadTimeouts)
{
    open();
    COMMTIMEOUTS mine = port.timeouts();
    mine.WriteTotalTimeoutMultiplier = 7;
    mine.WriteTotalTimeoutConstant = 1234;
    ASSERT_TRUE(::SetCommTimeouts(port.port(), &mine));

    struct Case {
        CSerial::ReadMode mode;
        DWORD interval;
    };
    const Case cases[] = {{CSerial::ReadBlocking, 0}, {CSerial::ReadNonBlocking, MAXDWORD}, {CSerial::ReadBlocking, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(port.ConfigureReadMode(c.mode), 0);
        const COMMTIMEOUTS t = port.timeouts();
        EXPECT_EQ(t.ReadIntervalTimeout, c.interval) << c.mode;
        EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 0u);
        EXPECT_EQ(t.ReadTotalTimeoutConstant, 0u);
        EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 7u);
        EXPECT_EQ(t.WriteTotalTimeoutConstant, 1234u);
    }

    ASSERT_EQ(port.ConfigureReadMode(CSerial::ReadNonBlocking), 0);
    for (int mode : {2, -1}) {
        EXPECT_EQ(port.ConfigureReadMode(static_cast<CSerial::ReadMode>(mode)), kInvalidArg) << mode;
        EXPECT_EQ(port.LastStatus(), kInvalidArg);
        EXPECT_EQ(port.timeouts().ReadIntervalTimeout, MAXDWORD) << mode;
    }
    // Still non-blocking.
    char byte;
    DWORD n = 5;
    EXPECT_EQ(port.ReadBytes(&byte, 1, &n), 0);
    EXPECT_EQ(n, 0u);
}

TEST_F(PortTest, BlockingReadWaitsForEveryByteAskedFor)
{
    open();
    ASSERT_EQ(port.ConfigureReadMode(CSerial::ReadBlocking), 0);
    std::thread late([this] {
        device.write("ab");
        ::Sleep(100);
        device.write("c");
    });
    char buffer[3] = {};
    DWORD n = 0;
    EXPECT_EQ(port.ReadBytes(buffer, 3, &n), 0);
    late.join();
    EXPECT_EQ(n, 3u);
    EXPECT_EQ(std::string(buffer, 3), "abc");
}

TEST_F(PortTest, TimedOutReadIsCancelledLosesNothingAndLeavesTheBufferAlone)
{
    open();
    ASSERT_EQ(port.ConfigureReadMode(CSerial::ReadBlocking), 0);
    char buffer[4];
    std::memset(buffer, '-', sizeof buffer);
    DWORD n = 9;
    EXPECT_EQ(port.ReadBytes(buffer, 4, &n, nullptr, 100), ERROR_TIMEOUT);
    EXPECT_EQ(port.LastStatus(), ERROR_TIMEOUT);
    EXPECT_EQ(n, 0u);

    // Bytes that come after the timeout belong to no read that is still
    // going on: the old buffer and count stay as they are ...
    device.write("wxyz");
    ::Sleep(200);
    EXPECT_EQ(std::string(buffer, 4), "----");
    EXPECT_EQ(n, 0u);
    // ... and the bytes wait for the next read.
    char again[4] = {};
    EXPECT_EQ(port.ReadBytes(again, 4, &n, nullptr, 5000), 0);
    EXPECT_EQ(n, 4u);
    EXPECT_EQ(std::string(again, 4), "wxyz");
}

TEST_F(PortTest, TimedOutWriteIsCancelledAndNothingOfItGoesOut)
{
    open();
    // Wine's stored settings for COM1 to COM9 come without XON/XOFF
    // characters; give the port the usual ones.
    DCB dcb = port.state();
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    ASSERT_TRUE(::SetCommState(port.port(), &dcb));
    ASSERT_EQ(port.ConfigureFlowControl(CSerial::FlowSoftware), 0);
    // XOFF from the device holds the port's output.
    device.write("\x13");
    ::Sleep(300);
    DWORD written = 9;
    EXPECT_EQ(port.WriteBytes("xyz", 3, &written, nullptr, 200), ERROR_TIMEOUT);
    EXPECT_EQ(port.LastStatus(), ERROR_TIMEOUT);
    EXPECT_EQ(written, 0u);

    device.write("\x11");  // XON
    ASSERT_EQ(port.ConfigureFlowControl(CSerial::FlowNone), 0);
    EXPECT_EQ(port.WriteText("Z"), 0);
    EXPECT_EQ(device.read_exactly(1), "Z");
    EXPECT_EQ(device.read_available(), "");
}

TEST_F(PortTest, AwaitCommEventReportsArrivalsAndTimesOut)
{
    open();
    // Silent device: the wait runs out, is cancelled, and the port works on.
    EXPECT_EQ(port.AwaitCommEvent(nullptr, 100), ERROR_TIMEOUT);
    EXPECT_EQ(port.LastStatus(), ERROR_TIMEOUT);

    device.write("e");
    EXPECT_EQ(port.AwaitCommEvent(nullptr, 5000), 0);
    EXPECT_TRUE(port.reported() & EV_RXCHAR);
    EXPECT_EQ(read_from(port, 1), "e");

    // With a record of the caller's the wait goes on after the call.
    OVERLAPPED record = {};
    record.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    EXPECT_EQ(port.AwaitCommEvent(&record), 0);
    EXPECT_EQ(port.LastStatus(), 0);
    device.write("f");
    EXPECT_EQ(::WaitForSingleObject(record.hEvent, 5000), WAIT_OBJECT_0);
    EXPECT_TRUE(port.reported() & EV_RXCHAR);
    EXPECT_EQ(read_from(port, 1), "f");
    ::CloseHandle(record.hEvent);
}

TEST_F(PortTest, AssignEventCharAddsRxFlagWhenAsked)
{
    open();
    EXPECT_EQ(port.AssignEventChar('X', true), 0);
    EXPECT_EQ(port.QueryEventMask(), static_cast<DWORD>(EV_RXCHAR | EV_RXFLAG | EV_BREAK | EV_ERR));
    EXPECT_EQ(port.AssignEventChar('Y', false), 0);
    EXPECT_EQ(port.QueryEventMask(), static_cast<DWORD>(EV_RXCHAR | EV_RXFLAG | EV_BREAK | EV_ERR));
    ASSERT_EQ(port.ApplyEventMask(EV_RXCHAR), 0);
    EXPECT_EQ(port.AssignEventChar('Z', false), 0);
    EXPECT_EQ(port.QueryEventMask(), static_cast<DWORD>(EV_RXCHAR));
    // Wine keeps no event character, so QueryEventChar reads 0 there; it
    // must still succeed.
    port.QueryEventChar();
    EXPECT_EQ(port.LastStatus(), 0);
}

TEST_F(PortTest, WithoutOverlappedIoRecordsAndTimeLimitsAreRefused)
{
    open(false);
    OVERLAPPED record = {};
    record.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    char buffer[4];
    struct Op {
        const char* name;
        std::function<LONG(DWORD*)> call;
    };
    const Op ops[] = {
        {"WriteBytes/timeout", [&](DWORD* n) { return port.WriteBytes("no", 2, n, nullptr, 1000); }},
        {"WriteBytes/record", [&](DWORD* n) { return port.WriteBytes("no", 2, n, &record); }},
        {"WriteText/timeout", [&](DWORD* n) { return port.WriteText("no", n, nullptr, 0); }},
        {"ReadBytes/timeout", [&](DWORD* n) { return port.ReadBytes(buffer, 2, n, nullptr, 1000); }},
        {"ReadBytes/record", [&](DWORD* n) { return port.ReadBytes(buffer, 2, n, &record); }},
        {"AwaitCommEvent/timeout", [&](DWORD*) { return port.AwaitCommEvent(nullptr, 1000); }},
        {"AwaitCommEvent/record", [&](DWORD*) { return port.AwaitCommEvent(&record); }},
    };
    device.write("r");
    for (const Op& op : ops) {
        DWORD n = 9;
        EXPECT_EQ(op.call(&n), ERROR_INVALID_FUNCTION) << op.name;
        EXPECT_EQ(port.LastStatus(), ERROR_INVALID_FUNCTION) << op.name;
        if (std::strncmp(op.name, "Await", 5) != 0) {
            EXPECT_EQ(n, 0u) << op.name;
        }
    }
    ::CloseHandle(record.hEvent);

    // Nothing was started: the byte is still there, no "no" went out, and a
    // plain write goes through synchronously.
    EXPECT_EQ(read_from(port, 1), "r");
    DWORD written = 0;
    EXPECT_EQ(port.WriteBytes("yes", 3, &written), 0);
    EXPECT_EQ(written, 3u);
    EXPECT_EQ(device.read_exactly(3), "yes");
    EXPECT_EQ(device.read_available(), "");
}

TEST_F(PortTest, OpeningAppliesTheStoredSettingsAlsoThroughTheDevicePrefix)
{
    COMMCONFIG stored = {};
    stored.dwSize = sizeof stored;
    DWORD size = sizeof stored;
    if (!::GetDefaultCommConfigW(cable().product_plain.c_str(), &stored, &size))
        GTEST_SKIP() << "the system keeps no settings for this port";
    const DWORD other = stored.dcb.BaudRate == 19200 ? 57600 : 19200;

    for (const std::wstring& name : {cable().product, cable().product_plain}) {
        ASSERT_EQ(port.OpenPort(name.c_str(), 0, 0, true), 0);
        ASSERT_EQ(port.ConfigureLine(other, 8, NOPARITY, ONESTOPBIT), 0);
        ASSERT_EQ(port.QueryBaudRate(), static_cast<LONG>(other));
        ASSERT_EQ(port.ClosePort(), 0);

        // The pty keeps the rate between openings; the stored one replaces it.
        ASSERT_EQ(port.OpenPort(name.c_str(), 0, 0, true), 0);
        EXPECT_EQ(port.QueryBaudRate(), static_cast<LONG>(stored.dcb.BaudRate));
        ASSERT_EQ(port.ClosePort(), 0);
    }
}
