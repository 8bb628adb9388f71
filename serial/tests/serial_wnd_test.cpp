// CSerialEx and CSerialWnd on a pty-backed COM port under Wine: the listener,
// its stop, and the window notifications.
#include "serial/serial.h"
#include "serial/tests/serial_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

using serial_test::cable;
using serial_test::DeviceEnd;
using serial_test::MessageSink;
using serial_test::Watchdog;

namespace {

class WndProbe : public CSerialWnd {
public:
    using CSerialWnd::HandleCommEvent;
    HANDLE listener() const { return listenerThread; }
    HWND window() const { return destWindow; }
    UINT message() const { return destMessage; }
    LPARAM param() const { return destParam; }
    void set_destination(HWND window, UINT message, LPARAM param)
    {
        destWindow = window;
        destMessage = message;
        destParam = param;
    }
};

// A listener whose callback records what it is given; optionally it holds
// each call until released.
class RecordingListener : public CSerialEx {
public:
    RecordingListener() : entered_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
    ~RecordingListener() override
    {
        ClosePort();
        ::CloseHandle(entered_);
        if (gate_)
            ::CloseHandle(gate_);
    }

    HANDLE listener() const { return listenerThread; }
    HANDLE port() const { return portHandle; }
    HANDLE entered() const { return entered_; }
    // Holds each call until `gate` is set; the object closes it.
    HANDLE hold_calls()
    {
        gate_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        return gate_;
    }
    // Where calls are counted; a test that outlives the object counts there.
    void count_calls_in(std::atomic<int>* tally) { tally_ = tally; }

    std::atomic<int> calls{0};
    std::atomic<DWORD> last_events{0};
    std::atomic<DWORD> last_errors{0};

protected:
    LONG HandleCommEvent(DWORD events, DWORD errors) override
    {
        last_events = events;
        last_errors = errors;
        ::SetEvent(entered_);
        if (gate_)
            ::WaitForSingleObject(gate_, INFINITE);
        ++*tally_;
        return 0;
    }

private:
    HANDLE entered_;
    HANDLE gate_ = nullptr;
    std::atomic<int>* tally_ = &calls;
};

// A listener that lets the test stop it at the worst moment: after it has
// checked for a stop and before its next comm-event wait has begun.
class GapListener : public CSerialEx {
public:
    GapListener() : at_gap_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~GapListener() override
    {
        ClosePort();
        ::CloseHandle(at_gap_);
    }
    HANDLE listener() const { return listenerThread; }
    HANDLE at_gap() const { return at_gap_; }
    int waits() const { return waits_; }

    LONG AwaitCommEvent(LPOVERLAPPED overlapped, DWORD timeout) override
    {
        if (++waits_ == 2) {
            ::SetEvent(at_gap_);
            while (!stopRequested)
                ::Sleep(1);
            // The stop re-applies the mask now, while no wait is pending.
            ::Sleep(200);
        }
        return CSerialEx::AwaitCommEvent(overlapped, timeout);
    }

protected:
    LONG HandleCommEvent(DWORD, DWORD) override { return 0; }

private:
    HANDLE at_gap_;
    std::atomic<int> waits_{0};
};

// Reads in the non-blocking mode until `count` bytes have come.
std::string read_from(CSerial& port, size_t count, DWORD limit_ms = 5000)
{
    std::string got;
    const ULONGLONG deadline = ::GetTickCount64() + limit_ms;
    while (got.size() < count && ::GetTickCount64() < deadline) {
        char byte = 0;
        DWORD n = 0;
        if (port.ReadBytes(&byte, 1, &n) != 0)
            break;
        if (n)
            got.push_back(byte);
        else
            ::Sleep(1);
    }
    return got;
}

class WndTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        serial_test::reset_product_end();
        ASSERT_TRUE(device.is_open());
        device.purge();
    }

    // Reads what a notification announced and drops the ones raised while
    // the byte was still waiting (Wine repeats EV_RXCHAR until it is read).
    void consume(CSerial& port, const std::string& expected, UINT message)
    {
        EXPECT_EQ(read_from(port, expected.size()), expected);
        ::Sleep(20);
        MSG msg;
        while (::PeekMessageW(&msg, sink.hwnd(), message, message, PM_REMOVE)) {
        }
    }

    MessageSink sink;
    DeviceEnd device;
    Watchdog watchdog{"a listener test", 60000};
};

}  // namespace

TEST(DefaultMessage, IsTheRegisteredNumber)
{
    const UINT registered = ::RegisterWindowMessageW(L"CSerialWnd_DefaultComMsg");
    EXPECT_NE(registered, 0u);
    EXPECT_EQ(CSerialWnd::DefaultMessage(), registered);
}

TEST_F(WndTest, ReceivedByteIsPostedWithItsEventAndTheGivenParam)
{
    struct Case {
        UINT message;
        LPARAM param;
        UINT posted;
    };
    const Case cases[] = {
        {WM_USER, 0, WM_USER},
        {0, 0x1234, CSerialWnd::DefaultMessage()},
        {WM_APP + 7, -5, WM_APP + 7},
    };
    for (const Case& c : cases) {
        WndProbe port;
        ASSERT_EQ(port.OpenForWindow(cable().product.c_str(), sink.hwnd(), c.message, c.param, 0, 0), 0);
        EXPECT_EQ(port.LastStatus(), 0);
        device.write("A");
        MSG msg;
        ASSERT_TRUE(sink.take(c.posted, msg)) << c.message;
        EXPECT_EQ(msg.hwnd, sink.hwnd());
        EXPECT_EQ(LOWORD(msg.wParam), EV_RXCHAR);
        EXPECT_EQ(HIWORD(msg.wParam), 0);
        EXPECT_EQ(msg.lParam, c.param);
        consume(port, "A", c.posted);
        EXPECT_EQ(port.ClosePort(), 0);
    }
}

TEST_F(WndTest, NotificationWordPacksEventsAndErrors)
{
    WndProbe port;
    port.set_destination(sink.hwnd(), WM_APP + 3, 77);
    struct Case {
        DWORD events, errors;
        WPARAM packed;
    };
    const Case cases[] = {
        {EV_RXCHAR, 0, 0x00000001},
        {EV_RXCHAR | EV_ERR, CE_FRAME, 0x00080081},
        {0x12345, 0xABCDE, 0xBCDE2345},
    };
    for (const Case& c : cases) {
        port.HandleCommEvent(c.events, c.errors);
        MSG msg;
        ASSERT_TRUE(sink.take(WM_APP + 3, msg, 1000));
        EXPECT_EQ(msg.wParam, c.packed);
        EXPECT_EQ(msg.lParam, 77);
    }
    // A cleared destination gets nothing.
    port.set_destination(nullptr, 0, 77);
    port.HandleCommEvent(EV_RXCHAR, 0);
    EXPECT_TRUE(sink.drain().empty());
}

TEST_F(WndTest, OpenForWindowOnAnOpenObjectChangesNothing)
{
    WndProbe port;
    ASSERT_EQ(port.OpenForWindow(cable().product.c_str(), sink.hwnd(), WM_APP + 1, 11, 0, 0), 0);
    HANDLE listener = port.listener();
    ASSERT_NE(listener, nullptr);

    MessageSink other;
    EXPECT_EQ(port.OpenForWindow(cable().product.c_str(), other.hwnd(), WM_APP + 2, 22, 0, 0),
              ERROR_ALREADY_INITIALIZED);
    EXPECT_EQ(port.LastStatus(), ERROR_ALREADY_INITIALIZED);
    EXPECT_EQ(port.listener(), listener);
    EXPECT_EQ(port.window(), sink.hwnd());
    EXPECT_EQ(port.message(), static_cast<UINT>(WM_APP + 1));
    EXPECT_EQ(port.param(), 11);

    device.write("B");
    MSG msg;
    ASSERT_TRUE(sink.take(WM_APP + 1, msg));
    EXPECT_EQ(msg.lParam, 11);
    consume(port, "B", WM_APP + 1);
    EXPECT_TRUE(other.drain().empty());
}

TEST_F(WndTest, FailedOpenReportsThePlatformErrorAndLeavesTheDestination)
{
    WndProbe port;
    port.set_destination(nullptr, 0, 5);
    EXPECT_EQ(port.OpenForWindow(L"\\\\.\\COM33", sink.hwnd(), WM_APP, 9, 0, 0), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(port.LastStatus(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(port.window(), nullptr);
    EXPECT_EQ(port.param(), 5);
    EXPECT_EQ(port.listener(), nullptr);
    char byte;
    EXPECT_EQ(port.ReadBytes(&byte, 1), ERROR_INVALID_HANDLE);
}

TEST_F(WndTest, ReapplyingTheMaskWakesTheListenerButPostsNothing)
{
    WndProbe port;
    ASSERT_EQ(port.OpenForWindow(cable().product.c_str(), sink.hwnd(), WM_APP + 4, 0, 0, 0), 0);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(port.ApplyEventMask(port.QueryEventMask()), 0);
        ::Sleep(20);
    }
    // The first notification is the byte's; the wake-ups raised none.
    device.write("C");
    MSG msg;
    ASSERT_TRUE(sink.take(WM_APP + 4, msg));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>(EV_RXCHAR));
    consume(port, "C", WM_APP + 4);
}

TEST_F(WndTest, NoNotificationIsPostedOnceClosePortHasReturned)
{
    constexpr UINT kNotification = WM_APP + 5;
    constexpr UINT kMarker = WM_APP + 6;
    for (int round = 0; round < 20; ++round) {
        WndProbe port;
        ASSERT_EQ(port.OpenForWindow(cable().product.c_str(), sink.hwnd(), kNotification, round, 0, 0), 0);
        // The device keeps talking while the port closes.
        std::atomic<bool> talking{true};
        std::thread chatter([&] {
            while (talking) {
                device.write("x");
                ::Sleep(1);
            }
        });
        ASSERT_TRUE(sink.wait_queued(kNotification));
        EXPECT_EQ(port.ClosePort(), 0);
        ::PostMessageW(sink.hwnd(), kMarker, 0, 0);
        ::Sleep(30);
        talking = false;
        chatter.join();

        const std::vector<MSG> queued = sink.drain();
        bool marker_seen = false;
        for (const MSG& msg : queued) {
            if (msg.message == kMarker) {
                marker_seen = true;
            } else if (msg.message == kNotification) {
                EXPECT_FALSE(marker_seen) << "round " << round << ": a notification came after ClosePort returned";
            }
        }
        EXPECT_TRUE(marker_seen);
        device.purge();
        serial_test::reset_product_end();
    }
}

TEST_F(WndTest, QueuedNotificationHandledAfterCloseReadsNothing)
{
    WndProbe port;
    ASSERT_EQ(port.OpenForWindow(cable().product.c_str(), sink.hwnd(), WM_APP + 8, 0, 0, 0), 0);
    device.write("D");
    ASSERT_TRUE(sink.wait_queued(WM_APP + 8));
    EXPECT_EQ(port.ClosePort(), 0);

    MSG msg;
    ASSERT_TRUE(sink.take(WM_APP + 8, msg, 0));
    char byte = 0;
    DWORD n = 5;
    EXPECT_EQ(port.ReadBytes(&byte, 1, &n), ERROR_INVALID_HANDLE);
    EXPECT_EQ(n, 0u);
}

TEST_F(WndTest, TimedOutReadOnTheOwnersThreadLeavesTheListenersWait)
{
    WndProbe port;
    ASSERT_EQ(port.OpenForWindow(cable().product.c_str(), sink.hwnd(), WM_APP + 9, 0, 0, 0), 0);
    ASSERT_EQ(port.ConfigureReadMode(CSerial::ReadBlocking), 0);
    char byte = 0;
    DWORD n = 0;
    EXPECT_EQ(port.ReadBytes(&byte, 1, &n, nullptr, 100), ERROR_TIMEOUT);

    device.write("E");
    MSG msg;
    ASSERT_TRUE(sink.take(WM_APP + 9, msg));
    EXPECT_EQ(port.ReadBytes(&byte, 1, &n, nullptr, 5000), 0);
    EXPECT_EQ(n, 1u);
    EXPECT_EQ(byte, 'E');
}

TEST_F(WndTest, ListenerStartsOnceAndStopsOnRequest)
{
    RecordingListener port;
    ASSERT_EQ(port.OpenPort(cable().product.c_str(), 0, 0, false), 0);
    EXPECT_EQ(port.listener(), nullptr);

    // Stopping a listener that does not exist changes nothing.
    EXPECT_EQ(port.StopEventThread(), 0);
    EXPECT_EQ(port.listener(), nullptr);
    char byte;
    DWORD n = 4;
    EXPECT_EQ(port.ReadBytes(&byte, 1, &n), 0);
    EXPECT_EQ(n, 0u);

    EXPECT_EQ(port.StartEventThread(), 0);
    HANDLE first = port.listener();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(port.StartEventThread(), 0);
    EXPECT_EQ(port.listener(), first);

    device.write("F");
    ASSERT_EQ(::WaitForSingleObject(port.entered(), 5000), WAIT_OBJECT_0);
    EXPECT_EQ(port.last_events.load(), static_cast<DWORD>(EV_RXCHAR));
    EXPECT_EQ(port.last_errors.load(), 0u);
    EXPECT_EQ(read_from(port, 1), "F");

    EXPECT_EQ(port.StopEventThread(), 0);
    EXPECT_EQ(port.listener(), nullptr);
    // The port stays open without a listener: bytes wait, nobody is told.
    ::Sleep(20);
    const int calls = port.calls;
    device.write("G");
    ::Sleep(100);
    EXPECT_EQ(port.calls.load(), calls);
    EXPECT_EQ(read_from(port, 1), "G");
}

TEST_F(WndTest, OpenPortCanStartTheListenerAtOnce)
{
    RecordingListener port;
    ASSERT_EQ(port.OpenPort(cable().product.c_str(), 0, 0, true), 0);
    EXPECT_NE(port.listener(), nullptr);
    device.write("H");
    ASSERT_EQ(::WaitForSingleObject(port.entered(), 5000), WAIT_OBJECT_0);
    EXPECT_EQ(port.last_events.load(), static_cast<DWORD>(EV_RXCHAR));
    EXPECT_EQ(read_from(port, 1), "H");
}

TEST_F(WndTest, StopIsNotMissedWhenItComesBeforeTheNextWaitBegins)
{
    GapListener port;
    ASSERT_EQ(port.OpenPort(cable().product.c_str(), 0, 0, true), 0);
    while (port.waits() < 1)
        ::Sleep(1);
    ::Sleep(50);
    // An empty wake-up sends the listener round its loop to its second wait.
    ASSERT_EQ(port.ApplyEventMask(port.QueryEventMask()), 0);
    ASSERT_EQ(::WaitForSingleObject(port.at_gap(), 5000), WAIT_OBJECT_0);

    // The device stays silent: only the stop itself can end that wait.
    EXPECT_EQ(port.StopEventThread(5000), 0);
    EXPECT_EQ(port.listener(), nullptr) << "the listener missed the stop";
    if (port.listener())
        device.write("!");  // let it go, so that the test can end
}

TEST_F(WndTest, EventsOutsideTheObjectsMaskCallNothing)
{
    RecordingListener port;
    ASSERT_EQ(port.OpenPort(cable().product.c_str(), 0, 0, true), 0);
    // The object listens for breaks only, while the port is told (behind the
    // object's back) to report received bytes.
    ASSERT_EQ(port.ApplyEventMask(EV_BREAK), 0);
    ASSERT_TRUE(::SetCommMask(port.port(), EV_RXCHAR));
    device.write("M");
    EXPECT_EQ(::WaitForSingleObject(port.entered(), 300), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(port.calls.load(), 0);
    EXPECT_EQ(read_from(port, 1), "M");
}

TEST_F(WndTest, ListenerOnAClosedPortEndsWithInvalidHandleAndCallsNothing)
{
    RecordingListener port;
    EXPECT_EQ(port.StartEventThread(), 0);
    HANDLE listener = port.listener();
    ASSERT_NE(listener, nullptr);
    ASSERT_EQ(::WaitForSingleObject(listener, 5000), WAIT_OBJECT_0);
    DWORD code = 0;
    ASSERT_TRUE(::GetExitCodeThread(listener, &code));
    EXPECT_EQ(code, static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(port.calls.load(), 0);
    EXPECT_EQ(port.StopEventThread(), 0);
    EXPECT_EQ(port.listener(), nullptr);
}

TEST_F(WndTest, StopThatRunsOutOfTimeLeavesTheListenerSupervised)
{
    std::atomic<int> calls{0};
    auto* port = new RecordingListener;
    port->count_calls_in(&calls);
    HANDLE gate = port->hold_calls();
    ASSERT_EQ(port->OpenPort(cable().product.c_str(), 0, 0, true), 0);
    device.write("I");
    ASSERT_EQ(::WaitForSingleObject(port->entered(), 5000), WAIT_OBJECT_0);

    // The callback is held: the stop cannot finish in time, yet returns.
    EXPECT_EQ(port->StopEventThread(50), 0);
    HANDLE listener = nullptr;
    ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), port->listener(), ::GetCurrentProcess(), &listener, 0,
                                  FALSE, DUPLICATE_SAME_ACCESS));
    EXPECT_EQ(::WaitForSingleObject(listener, 0), static_cast<DWORD>(WAIT_TIMEOUT));

    // Destroying the object waits for the listener before freeing anything
    // it uses, and the listener makes no further call.
    std::atomic<bool> destroyed{false};
    std::thread destroyer([&] {
        delete port;
        destroyed = true;
    });
    ::Sleep(200);
    EXPECT_FALSE(destroyed.load());
    EXPECT_EQ(calls.load(), 0);
    ::SetEvent(gate);
    destroyer.join();
    EXPECT_TRUE(destroyed.load());
    EXPECT_EQ(::WaitForSingleObject(listener, 0), WAIT_OBJECT_0);
    EXPECT_EQ(calls.load(), 1);
    ::CloseHandle(listener);
}

TEST_F(WndTest, StartAfterATimedOutStopWaitsForTheOldListener)
{
    RecordingListener port;
    HANDLE gate = port.hold_calls();
    ASSERT_EQ(port.OpenPort(cable().product.c_str(), 0, 0, true), 0);
    device.write("J");
    ASSERT_EQ(::WaitForSingleObject(port.entered(), 5000), WAIT_OBJECT_0);
    // Read while the callback is held, so that nothing waits for the new listener.
    EXPECT_EQ(read_from(port, 1), "J");
    HANDLE old = nullptr;
    ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), port.listener(), ::GetCurrentProcess(), &old, 0, FALSE,
                                  DUPLICATE_SAME_ACCESS));
    EXPECT_EQ(port.StopEventThread(50), 0);

    std::thread release([&] {
        ::Sleep(100);
        ::SetEvent(gate);
    });
    EXPECT_EQ(port.StartEventThread(), 0);
    release.join();
    // The old listener had ended before the new one started; there is one.
    EXPECT_EQ(::WaitForSingleObject(old, 0), WAIT_OBJECT_0);
    EXPECT_EQ(port.calls.load(), 1);
    ASSERT_NE(port.listener(), nullptr);
    EXPECT_EQ(::WaitForSingleObject(port.listener(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    ::CloseHandle(old);
}

TEST_F(WndTest, DestroyingAnOpenObjectStopsTheListenerAndReleasesEverything)
{
    {
        // Warm-up: the first listener and window messages make Wine set up
        // per-process state that stays.
        WndProbe warm;
        ASSERT_EQ(warm.OpenForWindow(cable().product.c_str(), sink.hwnd(), WM_APP + 10, 0, 0, 0), 0);
    }
    const long before = serial_test::own_handle_count();
    ASSERT_GT(before, 0);

    HANDLE listener = nullptr;
    {
        WndProbe port;
        ASSERT_EQ(port.OpenForWindow(cable().product.c_str(), sink.hwnd(), WM_APP + 10, 0, 0, 0), 0);
        ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), port.listener(), ::GetCurrentProcess(), &listener, 0,
                                      FALSE, DUPLICATE_SAME_ACCESS));
    }
    EXPECT_EQ(::WaitForSingleObject(listener, 0), WAIT_OBJECT_0);
    ::CloseHandle(listener);
    EXPECT_EQ(serial_test::own_handle_count(), before);

    // The port is free again.
    WndProbe again;
    ASSERT_EQ(again.OpenForWindow(cable().product.c_str(), sink.hwnd(), WM_APP + 11, 0, 0, 0), 0);
    device.write("K");
    MSG msg;
    ASSERT_TRUE(sink.take(WM_APP + 11, msg));
    consume(again, "K", WM_APP + 11);
}
