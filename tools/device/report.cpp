#include "tools/device/report.h"

#include <cstdio>

#include "tools/device/cp1251.h"

namespace tavix::device {

namespace {

std::string escaped_byte(unsigned char b)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\x%02X", b);
    return buf;
}

// For the human view: control characters would upset a terminal.
std::string display_text(std::string_view cp1251)
{
    std::string out;
    for (char ch : cp1251) {
        auto b = static_cast<unsigned char>(ch);
        append_utf8(out, b < 0x20 || b == 0x7F ? replacement_character : cp1251_char(b));
    }
    return out;
}

}  // namespace

std::string quoted_text(std::string_view cp1251)
{
    std::string out = "\"";
    for (char ch : cp1251) {
        auto b = static_cast<unsigned char>(ch);
        if (b == '"' || b == '\\') {
            out += '\\';
            out += ch;
        } else if (b < 0x20 || b == 0x7F || cp1251_char(b) == replacement_character) {
            out += escaped_byte(b);
        } else {
            append_utf8(out, cp1251_char(b));
        }
    }
    out += '"';
    return out;
}

std::string frame_line(const DecodedFrame& frame)
{
    switch (frame.kind) {
    case FrameKind::quit:
        return "frame quit";
    case FrameKind::time:
        return "frame time " + std::to_string(frame.seconds);
    case FrameKind::track:
        break;
    }
    return "frame track length=" + std::to_string(frame.length_seconds) +
           " position=" + std::to_string(frame.position) +
           " count=" + std::to_string(frame.item_count) + " album=" + quoted_text(frame.album) +
           " title=" + quoted_text(frame.title);
}

std::string clock_text(unsigned seconds)
{
    char buf[32];
    unsigned h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    if (h)
        std::snprintf(buf, sizeof buf, "%u:%02u:%02u", h, m, s);
    else
        std::snprintf(buf, sizeof buf, "%u:%02u", m, s);
    return buf;
}

std::optional<std::string> DisplayModel::apply(const DecodedFrame& frame)
{
    std::string before = line();
    switch (frame.kind) {
    case FrameKind::quit:
        // The player has gone: the device clears its screen.
        blank_ = true;
        elapsed_.reset();
        track_.reset();
        break;
    case FrameKind::time:
        blank_ = false;
        elapsed_ = frame.seconds;
        break;
    case FrameKind::track:
        blank_ = false;
        track_ = frame;
        track_->raw.clear();
        break;
    }
    std::string after = line();
    if (after == before)
        return std::nullopt;
    return after;
}

std::string DisplayModel::line() const
{
    if (blank_)
        return "display (blank)";
    std::string out = "display ";
    if (track_)
        out += std::to_string(track_->position) + "/" + std::to_string(track_->item_count);
    else
        out += "-/-";
    out += "  " + (elapsed_ ? clock_text(*elapsed_) : std::string("-:--"));
    out += " / " + (track_ ? clock_text(track_->length_seconds) : std::string("-:--"));
    if (track_)
        out += "  " + display_text(track_->album) + " - " + display_text(track_->title);
    return out;
}

}  // namespace tavix::device
