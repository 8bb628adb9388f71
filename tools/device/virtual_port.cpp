#include "tools/device/virtual_port.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace tavix::device {

namespace {

std::string errno_text(const char* what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

std::string lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool exists(const std::string& path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

void close_fd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// A link to a pty that is gone, left by a device that was killed: its name
// is free again (and so a stale registration under it gets replaced).
bool stale_pty_link(const std::string& path)
{
    char target[PATH_MAX];
    ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
    if (n <= 0)
        return false;
    target[n] = 0;
    struct stat st;
    return std::strncmp(target, "/dev/pts/", 9) == 0 && ::stat(path.c_str(), &st) != 0;
}

}  // namespace

std::string choose_free_port(const std::string& dosdevices)
{
    for (int n = 3; n <= 99; ++n) {
        std::string link = dosdevices + "/com" + std::to_string(n);
        if (exists(link) && !stale_pty_link(link))
            continue;
        if (exists("/dev/ttyS" + std::to_string(n - 1)))
            continue;
        return "COM" + std::to_string(n);
    }
    return {};
}

bool VirtualPort::plug(const std::string& dosdevices, const std::string& port_name, bool force,
                       std::string& error)
{
    if (plugged()) {
        error = "already plugged";
        return false;
    }
    std::string link = dosdevices + "/" + lower(port_name);
    struct stat st;
    if (lstat(link.c_str(), &st) == 0) {
        char target[PATH_MAX];
        bool stale = S_ISLNK(st.st_mode) && ::stat(link.c_str(), &st) != 0;
        if (!stale && !force) {
            ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
            target[n > 0 ? n : 0] = 0;
            error = link + " exists (-> " + target + "); pick another --port or use --force";
            return false;
        }
        if (::unlink(link.c_str()) != 0) {
            error = errno_text(("cannot remove " + link).c_str());
            return false;
        }
    }

    // Every descriptor is close-on-exec: a Wine process started from here must
    // not keep the pty alive after an unplug.
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        error = errno_text("cannot make a pty");
        unplug();
        return false;
    }
    const char* name = ptsname(master_);
    if (!name) {
        error = errno_text("ptsname");
        unplug();
        return false;
    }
    pty_path_ = name;
    slave_ = ::open(pty_path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave_ < 0) {
        error = errno_text(("cannot open " + pty_path_).c_str());
        unplug();
        return false;
    }
    // A USB serial device passes bytes untouched: no echo, no line editing, no
    // CR/LF translation, no XON/XOFF.
    struct termios tio;
    if (tcgetattr(slave_, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(slave_, TCSANOW, &tio);
    }
    // Watched only after our own opening, so that every notice is someone else's.
    watch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch_ < 0 || inotify_add_watch(watch_, pty_path_.c_str(), IN_OPEN | IN_CLOSE) < 0) {
        error = errno_text("cannot watch the pty");
        unplug();
        return false;
    }
    if (::symlink(pty_path_.c_str(), link.c_str()) != 0) {
        error = errno_text(("cannot link " + link).c_str());
        unplug();
        return false;
    }
    link_path_ = link;
    openers_ = 0;
    return true;
}

void VirtualPort::unplug()
{
    close_fd(watch_);
    close_fd(slave_);
    close_fd(master_);
    if (!link_path_.empty()) {
        char target[PATH_MAX];
        ssize_t n = readlink(link_path_.c_str(), target, sizeof target - 1);
        // Only our own link goes; someone may have replaced it meanwhile.
        if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == pty_path_)
            ::unlink(link_path_.c_str());
    }
    link_path_.clear();
    pty_path_.clear();
    openers_ = 0;
}

std::vector<LinkChange> VirtualPort::read_changes()
{
    std::vector<LinkChange> changes;
    if (watch_ < 0)
        return changes;
    alignas(struct inotify_event) char buf[4096];
    for (;;) {
        ssize_t n = ::read(watch_, buf, sizeof buf);
        if (n <= 0)
            break;
        for (char* p = buf; p < buf + n;) {
            auto* ev = reinterpret_cast<struct inotify_event*>(p);
            if (ev->mask & IN_OPEN) {
                if (openers_++ == 0)
                    changes.push_back(LinkChange::opened);
            }
            if (ev->mask & IN_CLOSE) {
                if (openers_ > 0 && --openers_ == 0)
                    changes.push_back(LinkChange::closed);
            }
            p += sizeof(struct inotify_event) + ev->len;
        }
    }
    return changes;
}

long VirtualPort::write_bytes(const std::uint8_t* data, std::size_t size)
{
    if (master_ < 0)
        return -1;
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = ::write(master_, data + done, size - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return done == 0 && size > 0 ? -1 : static_cast<long>(done);
}

long VirtualPort::read_bytes(std::uint8_t* data, std::size_t size)
{
    if (master_ < 0)
        return -1;
    for (;;) {
        ssize_t n = ::read(master_, data, size);
        if (n >= 0)
            return static_cast<long>(n);
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return 0;
        return -1;
    }
}

void VirtualPort::discard_unread()
{
    if (slave_ >= 0)
        tcflush(slave_, TCIFLUSH);
}

}  // namespace tavix::device
