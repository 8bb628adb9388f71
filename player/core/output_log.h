// Everything the player prints goes through here: one "kind: text" line at a
// time, flushed at once so a harness reading the pipe sees it immediately,
// and kept so that scenarios can look back at what was printed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace player {

// Microseconds of a monotonic clock.
using stamp_clock = std::function<std::int64_t()>;

class output_log {
public:
    // With a clock, every line written to `out` begins with its stamp (see
    // format_stamp) and a blank; the lines kept for look-backs never do.
    explicit output_log(std::FILE* out, stamp_clock clock = {}) : out_(out), clock_(std::move(clock)) {}

    // Writes "kind: text". Safe from any thread.
    void line(std::string_view kind, std::string_view text);

    // Scenario look-backs: the first line at or after `from` whose text
    // (kind included) contains `needle`. The player's own scenario echo and
    // expectation lines are never matched, so checking for a text cannot
    // find the check itself.
    std::optional<std::size_t> find(std::string_view needle, std::size_t from) const;
    std::size_t size() const;
    std::string at(std::size_t index) const;

private:
    struct entry {
        std::string text;
        bool matchable;
    };
    mutable std::mutex mutex_;
    std::FILE* out_;
    stamp_clock clock_;
    std::vector<entry> lines_;
};

// Microseconds as milliseconds with three decimals: "12345.678". The stamp
// tavix-device --timestamps prints, so the two programs' lines compare.
std::string format_stamp(std::int64_t microseconds);

// Seconds as a scenario writes them: "5", "2.5", "-5", "90.2".
std::string format_seconds(double seconds);

}  // namespace player
