// Any line, typed or from a file, gives a command or an error, never both,
// and never neither unless the line is blank or a comment.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "player/core/scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<player::scenario_error> errors;
    player::parse_scenario(text, errors);
    const std::string_view line = text.substr(0, text.find('\n'));
    const player::parse_result r = player::parse_line(line, 1);
    if (r.cmd && !r.error.empty()) std::abort();
    if (!r.cmd && r.error.empty()) {
        std::size_t i = 0;
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
        if (i < line.size() && line[i] != '#') std::abort();
    }
    return 0;
}
