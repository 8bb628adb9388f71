// One playlist entry of the stand-in player.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace player {

struct track {
    std::string path;                  // location as the player hands it to components
    std::int64_t length_ms = 0;        // whole track length
    std::optional<std::string> title;  // absent tag stays absent, not empty
    std::optional<std::string> album;
};

}  // namespace player
