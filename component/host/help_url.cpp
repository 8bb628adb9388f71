#include "component/host/help_url.h"

#include <cstddef>

namespace {

bool is_separator(char c) { return c == '\\' || c == '/'; }

// Bytes that stand for themselves in a file URL's path; everything else
// (blanks, '#', '%', non-ASCII bytes of UTF-8, ...) is percent-encoded.
bool is_plain(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
    switch (c) {
    case '-': case '.': case '_': case '~': case '!': case '$': case '&': case '\'': case '(': case ')':
    case '*': case '+': case ',': case ';': case '=': case ':': case '@':
        return true;
    default:
        return false;
    }
}

void append_path(std::string& url, const std::string& path) {
    static const char hex[] = "0123456789ABCDEF";
    for (char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (is_separator(c)) {
            url += '/';
        } else if (is_plain(byte)) {
            url += c;
        } else {
            url += '%';
            url += hex[byte >> 4];
            url += hex[byte & 0x0F];
        }
    }
}

}  // namespace

std::string help_url_beside(const std::string& library_path) {
    std::string path = library_path;
    // Long-path forms name the same file as the plain ones.
    if (path.compare(0, 8, "\\\\?\\UNC\\") == 0)
        path = "\\\\" + path.substr(8);
    else if (path.compare(0, 4, "\\\\?\\") == 0)
        path = path.substr(4);

    const std::size_t last = path.find_last_of("\\/");
    if (last == std::string::npos) return std::string();
    const std::string file = path.substr(0, last + 1) + help_file_name;

    std::string url;
    if (file.size() >= 2 && is_separator(file[0]) && is_separator(file[1])) {
        url = "file:";  // a share: file://server/share/...
    } else if (is_separator(file[0])) {
        url = "file://";
    } else {
        url = "file:///";  // a drive: file:///C:/...
    }
    append_path(url, file);
    return url;
}
