// The player's configuration store: each component's persisted variables as
// raw bytes keyed by the variable's GUID, kept in a text file between runs.
//
// File form, one variable a line:
//     {F7047F33-A595-4B15-8AE1-70629E4F9C79} 01
// the GUID, one blank, then the value's bytes as hex digits (none for an
// empty value). Blank lines and lines starting with '#' are ignored.
// Entries nobody claims this run are kept and written back, so a component
// that is missing for one run loses nothing.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "player/core/guid_text.h"

namespace player {

using config_bytes = std::vector<std::uint8_t>;

class config_store {
public:
    void set(const guid_key& id, config_bytes value) { entries_[id] = std::move(value); }
    const config_bytes* find(const guid_key& id) const;
    const std::map<guid_key, config_bytes>& entries() const { return entries_; }
    bool empty() const { return entries_.empty(); }

private:
    std::map<guid_key, config_bytes> entries_;
};

struct config_problem {
    int line = 0;  // 1-based
    std::string message;
};

std::string format_config(const config_store& store);

// Lines that cannot be read are reported and skipped; the rest is kept.
config_store parse_config(std::string_view text, std::vector<config_problem>& problems);

std::string format_hex(const config_bytes& bytes);

enum class config_load { loaded, missing, failed };

// `missing` leaves the store empty: the first run of a fresh player.
config_load load_config_file(const std::string& path, config_store& store,
                             std::vector<config_problem>& problems, std::string& error);

// Writes beside the target and renames over it, so a failed save never
// leaves half a file behind.
bool save_config_file(const std::string& path, const config_store& store, std::string& error);

}  // namespace player
