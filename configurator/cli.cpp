#include "configurator/cli.h"

#include "configurator/dialog_controls.h"
#include "configurator/hex_text.h"
#include "configurator/settings_file.h"
#include "configurator/settings_record.h"
#include "configurator/value_lists.h"

#include <filesystem>
#include <ostream>
#include <string_view>
#include <system_error>

namespace {

constexpr char program[] = "tavixcfg-cli";

// What the dialog's fields hand over: their buffers less the terminating zero.
constexpr std::size_t kbd_chars_read = kbd_field_buffer - 1;
constexpr std::size_t code_chars_read = code_field_buffer - 1;

enum class field_kind { i2s, mclk, flag, kbd, signal, code };

struct field {
    std::string key;
    field_kind kind;
    std::size_t index;  // which flag, keyboard value, signal or code
};

// Every field in record order, named as the tool shows them.
std::vector<field> all_fields() {
    std::vector<field> fields = {{"i2s", field_kind::i2s, 0},
                                 {"mclk", field_kind::mclk, 0},
                                 {"use_sound_folder", field_kind::flag, 0},
                                 {"hi_res", field_kind::flag, 1},
                                 {"plugin_option", field_kind::flag, 2}};
    for (std::size_t i = 0; i < kbd_key_count; ++i) {
        fields.push_back({"kbd" + std::to_string(i), field_kind::kbd, i});
    }
    for (std::size_t i = 0; i < control_signal_count; ++i) {
        fields.push_back({"s" + std::to_string(i), field_kind::signal, i});
    }
    for (std::size_t i = 0; i < remote_code_count; ++i) {
        fields.push_back({"code" + std::to_string(i), field_kind::code, i});
    }
    return fields;
}

bool& flag_of(settings_form& form, std::size_t index) {
    return index == 0 ? form.use_sound_folder : index == 1 ? form.hi_res : form.plugin_option;
}

template <std::size_t N>
std::string label_text(const std::array<const char*, N>& list, const list_index& index) {
    const char* label = index ? list_label(list, *index) : nullptr;
    return label ? label : "(none)";
}

std::string show_value(const field& f, settings_form& form) {
    switch (f.kind) {
        case field_kind::i2s: return label_text(i2s_format_labels, form.i2s_format);
        case field_kind::mclk: return label_text(mclk_labels, form.mclk);
        case field_kind::flag: return flag_of(form, f.index) ? "1" : "0";
        case field_kind::kbd: return format_hex_text(form.kbd_keys[f.index]);
        case field_kind::signal: return label_text(control_signal_labels, form.control_signals[f.index]);
        case field_kind::code: return format_hex_text(form.remote_codes[f.index]);
    }
    return {};
}

template <std::size_t N>
std::string label_choices(const std::array<const char*, N>& list) {
    std::string text;
    for (const char* label : list) {
        if (!text.empty()) text += ", ";
        text += '"';
        text += label;
        text += '"';
    }
    return text;
}

template <std::size_t N>
bool set_list(const std::array<const char*, N>& list, list_index& target, const field& f,
              std::string_view value, std::string& error) {
    const list_index index = list_index_of(list, value);
    if (!index) {
        error = "\"" + std::string(value) + "\" is not a label of " + f.key + " (labels: " +
                label_choices(list) + ")";
        return false;
    }
    target = index;
    return true;
}

// Takes a value as the dialog would: a list by its exact label, a flag as 0 or 1,
// a keyboard value or code through parse_hex_text of what the dialog's field hands over.
bool set_value(const field& f, std::string_view value, settings_form& form, std::string& error) {
    switch (f.kind) {
        case field_kind::i2s: return set_list(i2s_format_labels, form.i2s_format, f, value, error);
        case field_kind::mclk: return set_list(mclk_labels, form.mclk, f, value, error);
        case field_kind::signal:
            return set_list(control_signal_labels, form.control_signals[f.index], f, value, error);
        case field_kind::flag:
            if (value != "0" && value != "1") {
                error = f.key + " takes 0 or 1, not \"" + std::string(value) + "\"";
                return false;
            }
            flag_of(form, f.index) = value == "1";
            return true;
        case field_kind::kbd:
            form.kbd_keys[f.index] = parse_hex_text(value.substr(0, kbd_chars_read));
            return true;
        case field_kind::code:
            form.remote_codes[f.index] = parse_hex_text(value.substr(0, code_chars_read));
            return true;
    }
    return false;
}

// The labels of a list for the help text, wrapped under the value column.
template <std::size_t N>
std::string wrapped_choices(const std::array<const char*, N>& list) {
    constexpr std::size_t indent = 22;
    constexpr std::size_t width = 79;
    std::string text;
    std::size_t column = indent;
    for (std::size_t i = 0; i < N; ++i) {
        std::string item = std::string("\"") + list[i] + "\"" + (i + 1 < N ? "," : "");
        if (column > indent && column + 1 + item.size() > width) {
            text += "\n" + std::string(indent, ' ');
            column = indent;
        } else if (column > indent) {
            text += ' ';
            ++column;
        }
        text += item;
        column += item.size();
    }
    return text;
}

void print_usage(std::ostream& out) {
    out << "usage: tavixcfg-cli show FILE\n"
           "       tavixcfg-cli set FILE KEY=VALUE...\n"
           "       tavixcfg-cli --help\n"
           "\n"
           "Shows or changes a tavix device settings file (128 bytes, by default tavix.cfg).\n"
           "\n"
           "  show  prints every field of FILE as a \"key = value\" line, in record order.\n"
           "  set   changes the named fields and saves FILE; a FILE that does not exist\n"
           "        starts from the zero record. Bytes 40-127 of the file are kept as\n"
           "        they are, and so is a list value that has no label, unless set.\n"
           "\n"
           "Keys and values, taken as the tavixcfg dialog takes them:\n"
           "  i2s                 " << wrapped_choices(i2s_format_labels) << "\n"
           "  mclk                " << wrapped_choices(mclk_labels) << "\n"
           "  use_sound_folder, hi_res, plugin_option\n"
           "                      0 or 1\n"
           "  kbd0 ... kbd5       a hexadecimal digit; only the first character counts\n"
           "  s0 ... s5           " << wrapped_choices(control_signal_labels) << "\n"
           "  code0 ... code15    hexadecimal, no 0x; the first 11 characters are read\n"
           "                      and the last four digits kept\n"
           "A list shows (none) for a value that has no label.\n"
           "\n"
           "Exit status: 0 done, 1 the file could not be loaded or saved,\n"
           "2 bad command, key, label or flag (the file is not touched).\n";
}

int usage_error(std::ostream& err, const std::string& message) {
    err << program << ": " << message << " (see tavixcfg-cli --help)\n";
    return cli_bad_usage;
}

int file_error(std::ostream& err, const std::string& file, const settings_file_result& result) {
    err << program << ": " << file << ": " << result.message << "\n";
    return cli_file_failed;
}

int show(const std::string& file, std::ostream& out, std::ostream& err) {
    settings_record record{};
    const settings_file_result loaded = load_settings_file(file.c_str(), record);
    if (!loaded.ok) return file_error(err, file, loaded);
    settings_form form = unpack_settings(record);
    for (const field& f : all_fields()) out << f.key << " = " << show_value(f, form) << "\n";
    return cli_ok;
}

int set(const std::string& file, const std::vector<std::string>& assignments, std::ostream& err) {
    const std::vector<field> fields = all_fields();
    struct change {
        const field* target;
        std::string value;
    };
    std::vector<change> changes;
    settings_form check;
    for (const std::string& assignment : assignments) {
        const std::size_t eq = assignment.find('=');
        if (eq == std::string::npos) {
            return usage_error(err, "\"" + assignment + "\" is not KEY=VALUE");
        }
        const std::string key = assignment.substr(0, eq);
        const field* target = nullptr;
        for (const field& f : fields) {
            if (f.key == key) target = &f;
        }
        if (target == nullptr) return usage_error(err, "unknown key \"" + key + "\"");
        std::string error;
        const std::string value = assignment.substr(eq + 1);
        // Checked on a scratch form so that nothing is loaded or saved before all are good.
        if (!set_value(*target, value, check, error)) return usage_error(err, error);
        changes.push_back({target, value});
    }

    settings_record record{};
    std::error_code ec;
    const auto status = std::filesystem::status(file, ec);
    if (status.type() != std::filesystem::file_type::not_found) {
        const settings_file_result loaded = load_settings_file(file.c_str(), record);
        if (!loaded.ok) return file_error(err, file, loaded);
    }
    settings_form form = unpack_settings(record);
    std::string ignored;
    for (const change& c : changes) set_value(*c.target, c.value, form, ignored);
    pack_settings(form, record);
    const settings_file_result saved = save_settings_file(file.c_str(), record);
    if (!saved.ok) return file_error(err, file, saved);
    return cli_ok;
}

}  // namespace

int run_cli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        print_usage(out);
        return cli_ok;
    }
    if (args.size() == 2 && args[0] == "show") return show(args[1], out, err);
    if (args.size() >= 3 && args[0] == "set") {
        return set(args[1], std::vector<std::string>(args.begin() + 2, args.end()), err);
    }
    if (args.empty()) return usage_error(err, "no command given");
    if (args[0] == "show" || args[0] == "set") {
        return usage_error(err, "wrong arguments for " + args[0]);
    }
    return usage_error(err, "unknown command \"" + args[0] + "\"");
}
