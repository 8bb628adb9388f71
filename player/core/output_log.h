// Everything the player prints goes through here: one "kind: text" line at a
// time, flushed at once so a harness reading the pipe sees it immediately,
// and kept so that scenarios can look back at what was printed.
#pragma once

#include <cstddef>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace player {

class output_log {
public:
    explicit output_log(std::FILE* out) : out_(out) {}

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
    std::vector<entry> lines_;
};

// Seconds as a scenario writes them: "5", "2.5", "-5", "90.2".
std::string format_seconds(double seconds);

}  // namespace player
