// Runs the real tavix-device against a throw-away prefix folder (no Wine, no
// registration) and plays the PC's part: opens the linked pty as a COM port
// client would, reads what the device sends, writes frames to it.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "tools/device/remote.h"
#include "tools/device/tests/frame_encoder.h"

extern char** environ;

namespace tavix::device {
namespace {

using test::Bytes;
using Clock = std::chrono::steady_clock;

constexpr int default_wait_ms = 5000;

std::string temp_dir()
{
    char tmpl[] = "/tmp/tavix-device-test-XXXXXX";
    const char* dir = mkdtemp(tmpl);
    return dir ? dir : "";
}

std::string link_target(const std::string& path)
{
    char buf[PATH_MAX];
    ssize_t n = readlink(path.c_str(), buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

// The PC side: a client of the COM port's pty.
class Client {
public:
    explicit Client(const std::string& path)
    {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    }
    ~Client() { close(); }
    bool ok() const { return fd_ >= 0; }
    void close()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }
    void write(const Bytes& bytes)
    {
        ASSERT_EQ(::write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // Reads exactly n bytes, or fewer when the time runs out.
    Bytes read(std::size_t n, int timeout_ms = default_wait_ms)
    {
        Bytes out;
        auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
        while (out.size() < n) {
            int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                            deadline - Clock::now())
                                            .count());
            if (left <= 0)
                break;
            pollfd p = {fd_, POLLIN, 0};
            if (poll(&p, 1, left) <= 0)
                continue;
            std::uint8_t buf[256];
            ssize_t got = ::read(fd_, buf, std::min(sizeof buf, n - out.size()));
            if (got <= 0)
                break;
            out.insert(out.end(), buf, buf + got);
        }
        return out;
    }
    // What read() gives once nothing more is on its way.
    ssize_t read_now(std::uint8_t* buf, std::size_t n) { return ::read(fd_, buf, n); }

private:
    int fd_ = -1;
};

class Device {
public:
    bool start(const std::vector<std::string>& args)
    {
        int in[2], out[2];
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0)
            return false;
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, in[0], 0);
        posix_spawn_file_actions_adddup2(&fa, out[1], 1);
        std::vector<std::string> all = {TAVIX_DEVICE_EXE};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        int rc = posix_spawn(&pid_, TAVIX_DEVICE_EXE, &fa, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&fa);
        ::close(in[0]);
        ::close(out[1]);
        in_ = in[1];
        out_ = out[0];
        return rc == 0;
    }

    ~Device()
    {
        if (in_ >= 0)
            ::close(in_);
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0)
            ::close(out_);
    }

    void send(const std::string& line)
    {
        std::string text = line + "\n";
        ASSERT_EQ(::write(in_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }

    void signal(int sig) { kill(pid_, sig); }

    void close_input()
    {
        ::close(in_);
        in_ = -1;
    }

    // The next line that begins with prefix; lines before it are kept in
    // skipped().  Empty (and a test failure) when none comes in time.
    std::string expect(const std::string& prefix, int timeout_ms = default_wait_ms)
    {
        auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
        skipped_.clear();
        for (;;) {
            std::string line;
            if (!next_line(line, deadline)) {
                ADD_FAILURE() << "no line beginning \"" << prefix << "\"; output so far:\n" << log_;
                return {};
            }
            if (line.rfind(prefix, 0) == 0)
                return line;
            skipped_.push_back(line);
        }
    }

    // Lines that arrive within timeout_ms.
    std::vector<std::string> lines_for(int timeout_ms)
    {
        std::vector<std::string> out;
        auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
        std::string line;
        while (next_line(line, deadline))
            out.push_back(line);
        return out;
    }

    // Exit status, after the device has ended of its own accord.
    int wait_exit(int timeout_ms = default_wait_ms)
    {
        auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
        int status = 0;
        while (Clock::now() < deadline) {
            pid_t r = waitpid(pid_, &status, WNOHANG);
            if (r == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::string line;
            next_line(line, Clock::now() + std::chrono::milliseconds(10));
        }
        ADD_FAILURE() << "tavix-device did not exit";
        return -1;
    }

    const std::vector<std::string>& skipped() const { return skipped_; }
    const std::string& log() const { return log_; }

private:
    bool next_line(std::string& line, Clock::time_point deadline)
    {
        for (;;) {
            std::size_t nl = buf_.find('\n');
            if (nl != std::string::npos) {
                line = buf_.substr(0, nl);
                buf_.erase(0, nl + 1);
                log_ += line + "\n";
                return true;
            }
            int left = static_cast<int>(
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
            if (left <= 0 || out_ < 0)
                return false;
            pollfd p = {out_, POLLIN, 0};
            if (poll(&p, 1, left) <= 0)
                continue;
            char chunk[4096];
            ssize_t n = ::read(out_, chunk, sizeof chunk);
            if (n <= 0) {
                ::close(out_);
                out_ = -1;
                return false;
            }
            buf_.append(chunk, static_cast<std::size_t>(n));
        }
    }

    pid_t pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    std::string buf_;
    std::string log_;
    std::vector<std::string> skipped_;
};

class DeviceCliTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        prefix_ = temp_dir();
        ASSERT_FALSE(prefix_.empty());
        link_ = prefix_ + "/dosdevices/com5";
    }
    void TearDown() override
    {
        std::string cmd = "rm -rf '" + prefix_ + "'";
        EXPECT_EQ(std::system(cmd.c_str()), 0);
    }

    void start(std::vector<std::string> extra = {})
    {
        std::vector<std::string> args = {"--prefix", prefix_, "--no-register", "--port", "COM5"};
        args.insert(args.end(), extra.begin(), extra.end());
        ASSERT_TRUE(device_.start(args));
        std::string plugged = device_.expect("event plugged ");
        ASSERT_FALSE(plugged.empty());
        pty_ = link_target(link_);
        ASSERT_EQ(plugged, "event plugged port=COM5 pty=" + pty_ + " link=" + link_ + " registered=no");
        ASSERT_EQ(pty_.rfind("/dev/pts/", 0), 0u) << pty_;
    }

    // Opens the port as the PC would and takes the greeting.
    std::unique_ptr<Client> open_port()
    {
        auto client = std::make_unique<Client>(link_);
        EXPECT_TRUE(client->ok());
        EXPECT_EQ(device_.expect("event opened"), "event opened");
        EXPECT_EQ(device_.expect("sent greeting"), "sent greeting 4F 4B");
        EXPECT_EQ(client->read(2), (Bytes{'O', 'K'}));
        return client;
    }

    std::string prefix_, link_, pty_;
    Device device_;
};

TEST_F(DeviceCliTest, LinksThePtyAsComPortAndGreetsEachOpening)
{
    start();
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        auto client = open_port();
        client->close();
        EXPECT_EQ(device_.expect("event closed"), "event closed");
    }
    device_.send("quit");
    EXPECT_EQ(device_.expect("event unplugged"), "event unplugged port=COM5");
    EXPECT_EQ(device_.expect("event exiting"), "event exiting status=0");
    EXPECT_EQ(device_.wait_exit(), 0);
    struct stat st;
    EXPECT_NE(lstat(link_.c_str(), &st), 0) << "the link is removed at exit";
}

TEST_F(DeviceCliTest, DecodesFramesIntoLinesAndDisplay)
{
    start({"--raw"});
    auto client = open_port();
    // Альбом / Песня №1 in Windows-1251, a seek, junk, and the end.
    Bytes track = test::track_frame({225, 2, 5, "\xC0\xEB\xFC\xE1\xEE\xEC", "\xCF\xE5\xF1\xED\xFF \xB9\x31", 0});
    client->write(test::join({test::time_frame(0), track, test::time_frame(5), {0x41, 0x42},
                              test::quit_frame()}));
    EXPECT_EQ(device_.expect("raw "), "raw 2B 02 00 00 0D");
    EXPECT_EQ(device_.expect("frame "), "frame time 0");
    EXPECT_EQ(device_.expect("display "), "display -/-  0:00 / -:--");
    EXPECT_EQ(device_.expect("raw "), "raw " + hex_text(track));
    EXPECT_EQ(device_.expect("frame "),
              "frame track length=225 position=2 count=5 album=\"Альбом\" title=\"Песня №1\"");
    EXPECT_EQ(device_.expect("display "), "display 2/5  0:00 / 3:45  Альбом - Песня №1");
    EXPECT_EQ(device_.expect("frame "), "frame time 5");
    EXPECT_EQ(device_.expect("display "), "display 2/5  0:05 / 3:45  Альбом - Песня №1");
    EXPECT_EQ(device_.expect("garbage "), "garbage 41 42");
    EXPECT_EQ(device_.expect("frame "), "frame quit");
    EXPECT_EQ(device_.expect("display "), "display (blank)");
}

TEST_F(DeviceCliTest, PressesSendEveryButtonsCode)
{
    start();
    auto client = open_port();
    device_.send("buttons");
    std::vector<std::string> names;
    for (std::size_t i = 0; i < remote_buttons().size(); ++i) {
        std::string line = device_.expect("button ");
        const Button& b = remote_buttons()[i];
        EXPECT_EQ(line, std::string("button ") + b.name + " " + hex_text(b.code.data(), b.code.size()));
    }
    for (const Button& b : remote_buttons()) {
        SCOPED_TRACE(b.name);
        device_.send(std::string("press ") + b.name);
        EXPECT_EQ(device_.expect("sent "), std::string("sent ") + b.name + " " + hex_text(b.code.data(), 4));
        EXPECT_EQ(client->read(4), Bytes(b.code.begin(), b.code.end()));
    }
    device_.send("send 0D 0A 11 13 00");
    EXPECT_EQ(device_.expect("sent "), "sent raw 0D 0A 11 13 00");
    EXPECT_EQ(client->read(5), (Bytes{0x0D, 0x0A, 0x11, 0x13, 0x00})) << "bytes pass untouched";
    device_.send("greet");
    EXPECT_EQ(device_.expect("sent "), "sent greeting 4F 4B");
    EXPECT_EQ(client->read(2), (Bytes{'O', 'K'}));
}

TEST_F(DeviceCliTest, NothingReachesAClosedPortOrTheNextOpener)
{
    start();
    device_.send("press play");
    EXPECT_EQ(device_.expect("dropped "), "dropped play 20 DF 40 BF");

    auto client = open_port();
    device_.send("press stop");   // never read by this opener
    EXPECT_EQ(device_.expect("sent "), "sent stop 20 DF 42 BD");
    client->close();
    EXPECT_EQ(device_.expect("event closed"), "event closed");
    device_.send("press next");
    EXPECT_EQ(device_.expect("dropped "), "dropped next 20 DF 43 BC");

    client = open_port();   // takes exactly "OK"
    std::uint8_t extra[8];
    EXPECT_LT(client->read_now(extra, sizeof extra), 0) << "stale bytes reached the next opener";
}

TEST_F(DeviceCliTest, QuickCloseAndReopenIsNotMissed)
{
    start();
    auto client = open_port();
    client->write(test::quit_frame());
    client->close();
    Client again(link_);   // at once, as a driver reopening the port would
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(device_.expect("frame quit"), "frame quit");
    EXPECT_EQ(device_.expect("event closed"), "event closed") << "the quit frame comes before the close";
    EXPECT_EQ(device_.expect("event opened"), "event opened");
    EXPECT_EQ(device_.expect("sent greeting"), "sent greeting 4F 4B");
    EXPECT_EQ(again.read(2), (Bytes{'O', 'K'}));
}

TEST_F(DeviceCliTest, UnplugHangsUpAndPlugMakesANewPort)
{
    start();
    auto client = open_port();
    client->write({0x2B, 0x02, 0x00});   // cut short by the unplug
    device_.send("unplug");
    EXPECT_EQ(device_.expect("garbage "), "garbage 2B 02 00");
    EXPECT_EQ(device_.expect("event closed"), "event closed");
    EXPECT_EQ(device_.expect("event unplugged"), "event unplugged port=COM5");
    struct stat st;
    EXPECT_NE(lstat(link_.c_str(), &st), 0) << "COM5 vanished with the cable";
    std::uint8_t buf[4];
    EXPECT_LE(client->read_now(buf, sizeof buf), 0) << "the old opener sees a hang-up";

    device_.send("press play");
    EXPECT_EQ(device_.expect("dropped "), "dropped play 20 DF 40 BF");
    device_.send("unplug");
    EXPECT_EQ(device_.expect("error "), "error unplug: not plugged");

    device_.send("plug");
    std::string plugged = device_.expect("event plugged ");
    pty_ = link_target(link_);
    EXPECT_EQ(plugged, "event plugged port=COM5 pty=" + pty_ + " link=" + link_ + " registered=no");
    client = open_port();
    device_.send("press pause");
    EXPECT_EQ(client->read(4), (Bytes{0x20, 0xDF, 0x41, 0xBE}));
    device_.send("plug");
    EXPECT_EQ(device_.expect("error "), "error plug: already plugged");
}

TEST_F(DeviceCliTest, WaitsBlockTheCommandsBehindThem)
{
    start({"--no-greeting"});
    device_.send("wait-open 100");
    EXPECT_EQ(device_.expect("error "), "error wait-open timed out after 100 ms");

    device_.send("wait-open");
    device_.send("echo opened");
    Client client(link_);
    EXPECT_EQ(device_.expect("event opened"), "event opened");
    EXPECT_EQ(device_.expect("note "), "note opened");
    for (const std::string& line : device_.skipped())
        EXPECT_NE(line.rfind("sent greeting", 0), 0u) << "--no-greeting";

    device_.send("wait-frame track 5000");
    device_.send("echo after track");
    client.write(test::time_frame(1));
    EXPECT_EQ(device_.expect("frame "), "frame time 1");
    for (const std::string& line : device_.lines_for(100))
        EXPECT_NE(line.rfind("note", 0), 0u) << "still waiting for a track frame";
    client.write(test::track_frame({1, 1, 1, "a", "b", 0}));
    EXPECT_EQ(device_.expect("note "), "note after track");
    bool track_first = false;
    for (const std::string& line : device_.skipped())
        track_first = track_first || line.rfind("frame track", 0) == 0;
    EXPECT_TRUE(track_first) << "the wait ended with the track frame";

    device_.send("wait 150");
    device_.send("status");
    auto before = Clock::now();
    std::string status = device_.expect("status ");
    EXPECT_GE(Clock::now() - before, std::chrono::milliseconds(140));
    EXPECT_EQ(status, "status plugged=yes port=COM5 pty=" + pty_ + " open=yes registered=no frames=2");

    device_.send("jump");
    EXPECT_EQ(device_.expect("error "), "error unknown command 'jump'");
    device_.close_input();
    EXPECT_EQ(device_.expect("event exiting"), "event exiting status=3") << "failed commands tell in the status";
    EXPECT_EQ(device_.wait_exit(), 3);
}

TEST_F(DeviceCliTest, RunsAScriptAndTimestampsLines)
{
    std::string script = prefix_ + "/session.txt";
    FILE* f = std::fopen(script.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs("# greet, take one press, wait for the player to leave\n"
               "wait-open 5000\n"
               "press stop\n"
               "wait-frame quit 5000\n",
               f);
    std::fclose(f);
    ASSERT_TRUE(device_.start({"--prefix", prefix_, "--no-register", "--port", "COM5", "--script",
                               script, "--timestamps", "--echo"}));
    EXPECT_NE(device_.expect("", default_wait_ms).find(" event plugged port=COM5 "), std::string::npos);
    pty_ = link_target(link_);
    EXPECT_NE(device_.expect("", default_wait_ms).find(" command wait-open"), std::string::npos);
    Client client(link_);
    EXPECT_EQ(client.read(6), (Bytes{'O', 'K', 0x20, 0xDF, 0x42, 0xBD}));
    client.write(test::quit_frame());
    EXPECT_EQ(device_.wait_exit(), 0);
    // Every line: monotonic milliseconds with three decimals, then the event.
    std::vector<std::string> events;
    std::string log = device_.log();
    for (std::size_t pos = 0, nl; (nl = log.find('\n', pos)) != std::string::npos; pos = nl + 1) {
        std::string line = log.substr(pos, nl - pos);
        std::size_t space = line.find(' ');
        ASSERT_NE(space, std::string::npos) << line;
        std::string stamp = line.substr(0, space);
        ASSERT_GT(stamp.size(), 4u) << line;
        EXPECT_EQ(stamp[stamp.size() - 4], '.') << line;
        events.push_back(line.substr(space + 1));
    }
    const std::vector<std::string> expected = {
        "event plugged port=COM5 pty=" + pty_ + " link=" + link_ + " registered=no",
        "command wait-open 5000", "event opened", "sent greeting 4F 4B", "command press stop",
        "sent stop 20 DF 42 BD", "command wait-frame quit 5000", "frame quit",
        "event closed", "event unplugged port=COM5", "event exiting status=0"};
    EXPECT_EQ(events, expected);
}

TEST_F(DeviceCliTest, RefusesALinkInUseAndReplacesAStaleOne)
{
    ASSERT_EQ(mkdir((prefix_ + "/dosdevices").c_str(), 0777), 0);
    ASSERT_EQ(symlink("/dev/null", link_.c_str()), 0);
    Device busy;
    ASSERT_TRUE(busy.start({"--prefix", prefix_, "--no-register", "--port", "COM5"}));
    EXPECT_NE(busy.expect("error ").find("exists (-> /dev/null)"), std::string::npos);
    EXPECT_EQ(busy.wait_exit(), 1);
    EXPECT_EQ(link_target(link_), "/dev/null") << "someone else's link is left alone";

    ASSERT_EQ(unlink(link_.c_str()), 0);
    ASSERT_EQ(symlink("/dev/pts/999999", link_.c_str()), 0);
    start();   // checks the link now leads to the new pty
}

TEST_F(DeviceCliTest, PicksAFreePortByItself)
{
    ASSERT_EQ(mkdir((prefix_ + "/dosdevices").c_str(), 0777), 0);
    ASSERT_EQ(symlink("/dev/null", (prefix_ + "/dosdevices/com3").c_str()), 0);
    ASSERT_EQ(symlink("/dev/pts/999999", (prefix_ + "/dosdevices/com4").c_str()), 0);
    Device device;
    ASSERT_TRUE(device.start({"--prefix", prefix_, "--no-register"}));
    std::string plugged = device.expect("event plugged ");
    // COM3 is taken; COM4 was left by a device that died, so it is free again
    // (unless this machine has a /dev/ttyS3 that Wine would map to it).
    struct stat st;
    std::string expected = stat("/dev/ttyS3", &st) == 0 ? "port=COM5 " : "port=COM4 ";
    EXPECT_EQ(plugged.rfind("event plugged " + expected, 0), 0u) << plugged;
    EXPECT_EQ(link_target(prefix_ + "/dosdevices/" + (expected == "port=COM4 " ? "com4" : "com5")).rfind("/dev/pts/", 0), 0u);
    device.send("quit");
    EXPECT_EQ(device.wait_exit(), 0);
}

TEST_F(DeviceCliTest, ExitsCleanlyOnSignal)
{
    start({"--stay"});
    device_.close_input();   // --stay: the end of the commands is not the end
    EXPECT_TRUE(device_.lines_for(200).empty());
    auto client = open_port();
    device_.signal(SIGTERM);
    EXPECT_EQ(device_.expect("event closed"), "event closed");
    EXPECT_EQ(device_.expect("event unplugged"), "event unplugged port=COM5");
    EXPECT_EQ(device_.expect("event exiting"), "event exiting status=0");
    EXPECT_EQ(device_.wait_exit(), 0);
    struct stat st;
    EXPECT_NE(lstat(link_.c_str(), &st), 0);
}

}  // namespace
}  // namespace tavix::device
