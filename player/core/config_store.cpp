#include "player/core/config_store.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace player {

const config_bytes* config_store::find(const guid_key& id) const {
    auto it = entries_.find(id);
    return it == entries_.end() ? nullptr : &it->second;
}

std::string format_hex(const config_bytes& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (std::uint8_t b : bytes) {
        out.push_back(digits[b >> 4]);
        out.push_back(digits[b & 15]);
    }
    return out;
}

std::string format_config(const config_store& store) {
    std::string out = "# tavix player configuration: {variable GUID} value bytes in hex\n";
    for (const auto& [id, value] : store.entries()) {
        out += format_guid(id);
        out += ' ';
        out += format_hex(value);
        out += '\n';
    }
    return out;
}

namespace {

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
    return s;
}

// Hex digits, optionally split into groups by blanks; a byte's two digits
// must stand together.
bool parse_hex_bytes(std::string_view s, config_bytes& out) {
    std::size_t i = 0;
    while (i < s.size()) {
        if (is_blank(s[i])) {
            ++i;
            continue;
        }
        if (i + 1 >= s.size()) return false;
        const int hi = hex_digit(s[i]);
        const int lo = hex_digit(s[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
        i += 2;
    }
    return true;
}

}  // namespace

config_store parse_config(std::string_view text, std::vector<config_problem>& problems) {
    config_store store;
    int line_no = 0;
    while (!text.empty()) {
        ++line_no;
        const std::size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view{} : text.substr(nl + 1);

        line = trim(line);
        if (line.empty() || line.front() == '#') continue;

        std::size_t end = 0;
        while (end < line.size() && !is_blank(line[end])) ++end;
        const auto id = parse_guid(line.substr(0, end));
        if (!id) {
            problems.push_back({line_no, "not a GUID: " + std::string(line.substr(0, end))});
            continue;
        }
        config_bytes value;
        if (!parse_hex_bytes(line.substr(end), value)) {
            problems.push_back({line_no, "bad hex value for " + format_guid(*id)});
            continue;
        }
        if (store.find(*id)) problems.push_back({line_no, "repeated " + format_guid(*id) + ", the later value holds"});
        store.set(*id, std::move(value));
    }
    return store;
}

config_load load_config_file(const std::string& path, config_store& store,
                             std::vector<config_problem>& problems, std::string& error) {
    namespace fs = std::filesystem;
    // Paths are UTF-8; u8path makes them wide where the system wants that.
    const fs::path file = fs::u8path(path);
    std::error_code ec;
    if (!fs::exists(file, ec) && !ec) return config_load::missing;
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        error = "can't open " + path + ": " + std::strerror(errno);
        return config_load::failed;
    }
    std::ostringstream buf;
    buf << in.rdbuf();
    if (in.bad()) {
        error = "can't read " + path;
        return config_load::failed;
    }
    store = parse_config(buf.str(), problems);
    return config_load::loaded;
}

bool save_config_file(const std::string& path, const config_store& store, std::string& error) {
    namespace fs = std::filesystem;
    const std::string temp = path + ".new";
    const fs::path temp_file = fs::u8path(temp);
    const fs::path file = fs::u8path(path);
    std::error_code ec;
    {
        std::ofstream out(temp_file, std::ios::binary | std::ios::trunc);
        if (!out) {
            error = "can't create " + temp + ": " + std::strerror(errno);
            return false;
        }
        out << format_config(store);
        out.flush();
        if (!out) {
            error = "can't write " + temp;
            out.close();
            fs::remove(temp_file, ec);
            return false;
        }
    }
    // Some C libraries refuse to rename over an existing file.
    fs::rename(temp_file, file, ec);
    if (ec) {
        fs::remove(file, ec);
        fs::rename(temp_file, file, ec);
        if (ec) {
            error = "can't replace " + path + ": " + ec.message();
            fs::remove(temp_file, ec);
            return false;
        }
    }
    return true;
}

}  // namespace player
