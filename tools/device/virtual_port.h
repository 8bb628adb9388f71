// The device's end of the USB serial link on Linux: a pty whose slave end is
// linked into a Wine prefix as a COM port.  Openings and closings of the slave
// by anyone else are watched with inotify, so none is missed however fast a
// close is followed by the next opening.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tavix::device {

enum class LinkChange { opened, closed };

class VirtualPort {
public:
    VirtualPort() = default;
    VirtualPort(const VirtualPort&) = delete;
    VirtualPort& operator=(const VirtualPort&) = delete;
    ~VirtualPort() { unplug(); }

    // Makes the pty and the link <dosdevices>/<comN>.  An existing link of
    // that name is replaced only when it is stale (its target is gone) or
    // when force is set.
    bool plug(const std::string& dosdevices, const std::string& port_name, bool force,
              std::string& error);
    // Closes the pty (whoever holds the slave sees a hang-up) and removes the link.
    void unplug();

    bool plugged() const { return master_ >= 0; }
    bool open() const { return openers_ > 0; }
    int master_fd() const { return master_; }
    int watch_fd() const { return watch_; }
    const std::string& pty_path() const { return pty_path_; }
    const std::string& link_path() const { return link_path_; }

    // Reads pending open/close notices; the changes between "nobody has the
    // port open" and "somebody has", in order.
    std::vector<LinkChange> read_changes();

    // Bytes toward the opener; returns how many were taken (-1 on error).
    long write_bytes(const std::uint8_t* data, std::size_t size);
    // Bytes from the opener; 0 when none are waiting, -1 on error.
    long read_bytes(std::uint8_t* data, std::size_t size);
    // Drops bytes sent to an opener that has gone without reading them, so the
    // next opener does not get stale codes.
    void discard_unread();

private:
    int master_ = -1;
    int slave_ = -1;     // held so the line settings and the pty outlive openers
    int watch_ = -1;
    int openers_ = 0;
    std::string pty_path_;
    std::string link_path_;
};

// The first COMn (3 <= n <= 99) with no link in dosdevices (or only a link to
// a pty that is gone) and no /dev/ttyS device that Wine would map to it;
// empty when there is none.
std::string choose_free_port(const std::string& dosdevices);

}  // namespace tavix::device
