// What the frame decoder must never do, whatever bytes arrive:
// - crash, or read or write out of bounds;
// - lose, duplicate or reorder a byte: frames and garbage together give back
//   the input exactly;
// - report a frame that is not well formed;
// - decode differently depending on how the bytes were chunked;
// - stay out of step: after a gap the length of the longest frame with no
//   frame start or terminator in it, the next frame is decoded.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "tools/device/frame_decoder.h"

namespace {

using tavix::device::DecodedFrame;
using Bytes = std::vector<std::uint8_t>;

struct Log : tavix::device::FrameSink {
    Bytes bytes;                  // every byte handed back, in order
    std::vector<Bytes> frames;
    void on_frame(const DecodedFrame& f) override
    {
        const Bytes& r = f.raw;
        if (r.size() < 3 || r[0] != 0x2B || r.back() != 0x0D ||
            tavix::device::frame_length(r[1]) != r.size())
            std::abort();
        frames.push_back(r);
        bytes.insert(bytes.end(), r.begin(), r.end());
    }
    void on_garbage(const Bytes& g) override
    {
        if (g.empty())
            std::abort();
        bytes.insert(bytes.end(), g.begin(), g.end());
    }
};

Log run(const Bytes& input, std::size_t chunk)
{
    Log log;
    tavix::device::FrameDecoder d(log);
    for (std::size_t i = 0; i < input.size(); i += chunk)
        d.feed(input.data() + i, input.size() - i < chunk ? input.size() - i : chunk);
    d.flush();
    return log;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    std::size_t chunk = data[0] % 16 + 1;
    Bytes input(data + 1, data + size);

    Log whole = run(input, input.size() + 1);
    Log parts = run(input, chunk);
    if (whole.bytes != input || parts.bytes != input || whole.frames != parts.frames)
        std::abort();

    Bytes tail = input;
    tail.insert(tail.end(), tavix::device::longest_frame, 0x00);
    const Bytes time = {0x2B, 0x02, 0x12, 0x34, 0x0D};
    tail.insert(tail.end(), time.begin(), time.end());
    Log synced = run(tail, chunk);
    if (synced.frames.empty() || synced.frames.back() != time)
        std::abort();
    return 0;
}
