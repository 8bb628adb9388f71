// The text the device prints: one line per frame, per run of garbage and per
// change of its display.  Test harnesses parse these lines, so their shape is
// part of the tool's interface (see README.md).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/device/frame_decoder.h"

namespace tavix::device {

// A Windows-1251 text as a double-quoted UTF-8 string: '"' and '\' are
// escaped with '\', and control bytes and the undefined 0x98 appear as \xNN.
std::string quoted_text(std::string_view cp1251);

// "frame quit", "frame time 5",
// "frame track length=225 position=2 count=5 album="..." title="..."".
std::string frame_line(const DecodedFrame& frame);

// "m:ss", or "h:mm:ss" from one hour on.
std::string clock_text(unsigned seconds);

// What the device's display shows, built up from the frames received.
class DisplayModel {
public:
    // Takes in a frame; the display line to print when the display changed.
    std::optional<std::string> apply(const DecodedFrame& frame);
    std::string line() const;

private:
    bool blank_ = true;
    std::optional<unsigned> elapsed_;
    std::optional<DecodedFrame> track_;
};

}  // namespace tavix::device
