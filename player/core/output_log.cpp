#include "player/core/output_log.h"

#include <cmath>

namespace player {

void output_log::line(std::string_view kind, std::string_view text) {
    std::string full;
    full.reserve(kind.size() + 2 + text.size() + 1);
    full.append(kind);
    full.append(": ");
    full.append(text);
    std::lock_guard<std::mutex> lock(mutex_);
    if (out_) {
        // Stamped under the lock, so stamps never go backwards down the output.
        std::string written = clock_ ? format_stamp(clock_()) + ' ' : std::string();
        written.append(full);
        written.push_back('\n');
        std::fwrite(written.data(), 1, written.size(), out_);
        std::fflush(out_);
    }
    const bool matchable = kind != "scenario" && kind != "expect";
    lines_.push_back({std::move(full), matchable});
}

std::optional<std::size_t> output_log::find(std::string_view needle, std::size_t from) const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (std::size_t i = from; i < lines_.size(); ++i)
        if (lines_[i].matchable && lines_[i].text.find(needle) != std::string::npos) return i;
    return std::nullopt;
}

std::size_t output_log::size() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_.size();
}

std::string output_log::at(std::size_t index) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return index < lines_.size() ? lines_[index].text : std::string();
}

std::string format_stamp(std::int64_t microseconds) {
    // A monotonic clock never reads below 0; clamp rather than print "-0.-01".
    if (microseconds < 0) microseconds = 0;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%lld.%03lld", static_cast<long long>(microseconds / 1000),
                  static_cast<long long>(microseconds % 1000));
    return buf;
}

std::string format_seconds(double seconds) {
    if (!std::isfinite(seconds)) return "nan";
    // Three decimals at most, trailing zeros dropped.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.3f", seconds);
    std::string s = buf;
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    if (s == "-0") s = "0";
    return s;
}

}  // namespace player
