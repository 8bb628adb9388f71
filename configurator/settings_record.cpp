#include "configurator/settings_record.h"

#include "configurator/value_lists.h"

namespace {

constexpr std::size_t signals_offset = 4;
constexpr std::size_t codes_offset = 8;

std::uint32_t read_u32(const settings_record& r, std::size_t at) {
    return std::uint32_t{r[at]} | std::uint32_t{r[at + 1]} << 8 |
           std::uint32_t{r[at + 2]} << 16 | std::uint32_t{r[at + 3]} << 24;
}

void write_u32(settings_record& r, std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i) r[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// An index that the list has no entry for shows as no selection.
list_index checked_index(std::uint32_t value, std::size_t list_size) {
    if (value < list_size) return value;
    return std::nullopt;
}

}  // namespace

bool operator==(const settings_form& a, const settings_form& b) {
    return a.i2s_format == b.i2s_format && a.mclk == b.mclk &&
           a.use_sound_folder == b.use_sound_folder && a.hi_res == b.hi_res &&
           a.plugin_option == b.plugin_option && a.kbd_keys == b.kbd_keys &&
           a.control_signals == b.control_signals && a.remote_codes == b.remote_codes;
}

void pack_settings(const settings_form& form, settings_record& record) {
    const std::uint8_t old0 = record[0];
    std::uint32_t byte0 = form.i2s_format ? *form.i2s_format << 4 : (old0 & 0x30u);
    byte0 |= form.mclk ? *form.mclk : (old0 & 0x07u);
    if (form.use_sound_folder) byte0 |= 0x80;
    if (form.hi_res) byte0 |= 0x40;
    if (form.plugin_option) byte0 |= 0x08;
    record[0] = static_cast<std::uint8_t>(byte0);

    for (std::size_t pair = 0; pair < 3; ++pair) {
        record[1 + pair] = static_cast<std::uint8_t>((form.kbd_keys[2 * pair] & 0xF) << 4 |
                                                     (form.kbd_keys[2 * pair + 1] & 0xF));
    }

    const std::uint32_t old_signals = read_u32(record, signals_offset);
    std::uint32_t signals = 0;
    for (std::size_t i = 0; i < control_signal_count; ++i) {
        const unsigned shift = static_cast<unsigned>(4 * i);
        const std::optional<std::uint32_t>& s = form.control_signals[i];
        signals |= s ? *s << shift : (old_signals & (0xFu << shift));
    }
    write_u32(record, signals_offset, signals);

    for (std::size_t k = 0; k < remote_code_count; ++k) {
        const std::uint32_t code = form.remote_codes[k] & 0xFFFF;
        record[codes_offset + 2 * k] = static_cast<std::uint8_t>(code);
        record[codes_offset + 2 * k + 1] = static_cast<std::uint8_t>(code >> 8);
    }
}

settings_form unpack_settings(const settings_record& record) {
    settings_form form;
    const std::uint8_t byte0 = record[0];
    form.i2s_format = checked_index((byte0 >> 4) & 3u, i2s_format_labels.size());
    form.mclk = checked_index(byte0 & 7u, mclk_labels.size());
    form.use_sound_folder = (byte0 & 0x80) != 0;
    form.hi_res = (byte0 & 0x40) != 0;
    form.plugin_option = (byte0 & 0x08) != 0;

    for (std::size_t pair = 0; pair < 3; ++pair) {
        form.kbd_keys[2 * pair] = record[1 + pair] >> 4;
        form.kbd_keys[2 * pair + 1] = record[1 + pair] & 0xFu;
    }

    const std::uint32_t signals = read_u32(record, signals_offset);
    for (std::size_t i = 0; i < control_signal_count; ++i) {
        form.control_signals[i] =
            checked_index((signals >> (4 * i)) & 0xFu, control_signal_labels.size());
    }

    for (std::size_t k = 0; k < remote_code_count; ++k) {
        form.remote_codes[k] = std::uint32_t{record[codes_offset + 2 * k]} |
                               std::uint32_t{record[codes_offset + 2 * k + 1]} << 8;
    }
    return form;
}
