// The value lists that the record's index fields refer to. The index stored in
// the record is the entry's position here; the editor lists them in this order.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

extern const std::array<const char*, 3> i2s_format_labels;
extern const std::array<const char*, 8> mclk_labels;
extern const std::array<const char*, 12> control_signal_labels;

// The label of an index, or nullptr when the list has no such entry.
template <std::size_t N>
const char* list_label(const std::array<const char*, N>& list, std::uint32_t index) {
    return index < N ? list[index] : nullptr;
}

// The index of a label, matched exactly (case and blanks count).
template <std::size_t N>
std::optional<std::uint32_t> list_index_of(const std::array<const char*, N>& list,
                                           std::string_view label) {
    for (std::size_t i = 0; i < N; ++i) {
        if (label == list[i]) return static_cast<std::uint32_t>(i);
    }
    return std::nullopt;
}
