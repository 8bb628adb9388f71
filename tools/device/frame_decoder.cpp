#include "tools/device/frame_decoder.h"

namespace tavix::device {

namespace {

constexpr std::uint32_t scrambler_seed = 47093u;
constexpr std::uint32_t scrambler_multiplier = 386129u;
constexpr std::uint32_t scrambler_increment = 2741u;

enum class Verdict { incomplete, whole, broken };

Verdict judge(const std::vector<std::uint8_t>& candidate)
{
    if (candidate.size() < 2)
        return Verdict::incomplete;
    std::size_t total = frame_length(candidate[1]);
    if (total == 0)
        return Verdict::broken;
    if (candidate.size() < total)
        return Verdict::incomplete;
    return candidate.back() == frame_end ? Verdict::whole : Verdict::broken;
}

std::string text_field(const std::uint8_t* field)
{
    std::size_t n = 0;
    while (n < track_text_size && field[n] != 0)
        ++n;
    return std::string(reinterpret_cast<const char*>(field), n);
}

}  // namespace

std::size_t frame_length(std::uint8_t command)
{
    switch (command) {
    case 0x00: return 3;
    case 0x01: return 2 + track_payload_size + 1;
    case 0x02: return 5;
    default: return 0;
    }
}

void unscramble_track_payload(std::uint8_t* payload)
{
    std::uint32_t state = scrambler_seed;
    for (std::size_t i = 0; i < track_payload_size; ++i) {
        std::uint8_t key = static_cast<std::uint8_t>((state >> 7) & 0xFF);
        std::uint8_t plain = static_cast<std::uint8_t>(payload[i] ^ key);
        payload[i] = plain;
        state = (state + plain) * scrambler_multiplier + scrambler_increment;
    }
}

void FrameDecoder::feed(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return;
    scan(std::vector<std::uint8_t>(data, data + size));
    emit_garbage();
}

void FrameDecoder::flush()
{
    // The frame start that began the held bytes can no longer be completed, so
    // it is garbage; a real frame may still begin right behind it.
    while (!candidate_.empty()) {
        garbage_.push_back(candidate_.front());
        std::vector<std::uint8_t> rest(candidate_.begin() + 1, candidate_.end());
        candidate_.clear();
        scan(std::move(rest));
    }
    emit_garbage();
}

void FrameDecoder::scan(std::vector<std::uint8_t> bytes)
{
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::uint8_t b = bytes[i++];
        if (candidate_.empty()) {
            if (b == frame_start)
                candidate_.push_back(b);
            else
                garbage_.push_back(b);
            continue;
        }
        candidate_.push_back(b);
        switch (judge(candidate_)) {
        case Verdict::incomplete:
            break;
        case Verdict::whole:
            emit_frame();
            break;
        case Verdict::broken: {
            // Resynchronise: only the start byte is given up; everything after
            // it is scanned again, since a real frame may begin inside.
            garbage_.push_back(candidate_.front());
            bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(i), candidate_.begin() + 1,
                         candidate_.end());
            candidate_.clear();
            break;
        }
        }
    }
}

void FrameDecoder::emit_garbage()
{
    if (garbage_.empty())
        return;
    std::vector<std::uint8_t> bytes;
    bytes.swap(garbage_);
    sink_.on_garbage(bytes);
}

void FrameDecoder::emit_frame()
{
    emit_garbage();
    DecodedFrame frame;
    frame.raw.swap(candidate_);
    const std::vector<std::uint8_t>& raw = frame.raw;
    switch (raw[1]) {
    case 0x00:
        frame.kind = FrameKind::quit;
        break;
    case 0x02:
        frame.kind = FrameKind::time;
        frame.seconds = (unsigned{raw[2]} << 8) | raw[3];
        break;
    default: {
        frame.kind = FrameKind::track;
        std::uint8_t payload[track_payload_size];
        for (std::size_t k = 0; k < track_payload_size; ++k)
            payload[k] = raw[2 + k];
        unscramble_track_payload(payload);
        frame.length_seconds = (unsigned{payload[0]} << 8) | payload[1];
        frame.position = payload[2];
        frame.item_count = payload[3];
        frame.album = text_field(payload + 4);
        frame.title = text_field(payload + 4 + track_text_size);
        break;
    }
    }
    candidate_.clear();
    sink_.on_frame(frame);
}

}  // namespace tavix::device
