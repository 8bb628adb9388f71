// Streaming decoder for the frames the PC sends to the tavix: quit, track and
// time.  Bytes may arrive in any chunking, mixed with garbage or cut short; the
// decoder hands every byte back exactly once, either inside a frame or as
// garbage, in the order received.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tavix::device {

enum class FrameKind { quit, track, time };

inline constexpr std::uint8_t frame_start = 0x2B;
inline constexpr std::uint8_t frame_end = 0x0D;
inline constexpr std::size_t track_payload_size = 132;
inline constexpr std::size_t track_text_size = 64;
inline constexpr std::size_t longest_frame = 2 + track_payload_size + 1;

struct DecodedFrame {
    FrameKind kind = FrameKind::quit;
    std::vector<std::uint8_t> raw;   // the frame exactly as received
    unsigned seconds = 0;            // time frame: elapsed seconds (16 bits)
    unsigned length_seconds = 0;     // track frame: track length (16 bits)
    std::uint8_t position = 0;       // track frame: 1-based playlist position
    std::uint8_t item_count = 0;     // track frame: playlist item count
    std::string album;               // track frame: Windows-1251 bytes, no terminator
    std::string title;
};

class FrameSink {
public:
    virtual ~FrameSink() = default;
    virtual void on_frame(const DecodedFrame& frame) = 0;
    // Bytes that belong to no frame, in arrival order.
    virtual void on_garbage(const std::vector<std::uint8_t>& bytes) = 0;
};

class FrameDecoder {
public:
    explicit FrameDecoder(FrameSink& sink) : sink_(sink) {}

    void feed(const std::uint8_t* data, std::size_t size);
    // No more bytes will follow (the link closed): whatever is still held is
    // scanned once more for whole frames, the rest reported as garbage.
    void flush();
    // Bytes of a frame that has begun but not yet ended.
    std::size_t pending() const { return candidate_.size(); }

private:
    void scan(std::vector<std::uint8_t> bytes);
    void emit_garbage();
    void emit_frame();

    FrameSink& sink_;
    std::vector<std::uint8_t> candidate_;   // starts with frame_start when not empty
    std::vector<std::uint8_t> garbage_;
};

// Total length of a frame with this command byte, or 0 for an unknown command.
std::size_t frame_length(std::uint8_t command);

// Reverses the track payload scrambler in place (132 bytes).
void unscramble_track_payload(std::uint8_t* payload);

}  // namespace tavix::device
