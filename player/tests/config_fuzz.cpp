// Whatever a config file holds, reading it never fails hard, and what was
// read writes back to a text that reads the same again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "player/core/config_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<player::config_problem> problems;
    const player::config_store first =
        player::parse_config(std::string_view(reinterpret_cast<const char*>(data), size), problems);
    std::vector<player::config_problem> again;
    const player::config_store second = player::parse_config(player::format_config(first), again);
    if (!again.empty() || second.entries() != first.entries()) std::abort();
    return 0;
}
