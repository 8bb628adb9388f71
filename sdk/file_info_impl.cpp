#include <cctype>

#include "sdk/metadb_handle.h"

namespace {
bool same_name(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && b[i] == 0;
}
}  // namespace

const char* file_info_impl::meta_get(const char* name, std::size_t index) const {
    for (const field& f : fields_) {
        if (!same_name(f.name, name)) continue;
        if (index == 0) return f.value.c_str();
        --index;
    }
    return nullptr;
}

std::size_t file_info_impl::meta_get_count(const char* name) const {
    std::size_t count = 0;
    for (const field& f : fields_)
        if (same_name(f.name, name)) ++count;
    return count;
}

void file_info_impl::meta_add(const char* name, const char* value) { fields_.push_back({name, value}); }

void file_info_impl::meta_remove_all() { fields_.clear(); }
