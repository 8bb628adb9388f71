#include "sdk/cfg_var.h"

namespace {
// Zero-initialised before any constructor runs, so variables may link
// themselves in from any static constructor.
cfg_var* g_first_var = nullptr;
}  // namespace

cfg_var::cfg_var(const GUID& guid) : guid_(guid) {
    cfg_var** link = &g_first_var;
    while (*link) link = &(*link)->next_;
    *link = this;
}

cfg_var::~cfg_var() {
    for (cfg_var** link = &g_first_var; *link; link = &(*link)->next_) {
        if (*link == this) {
            *link = next_;
            break;
        }
    }
}

cfg_var* cfg_var::list() { return g_first_var; }

cfg_var* cfg_var::find(const GUID& guid) {
    for (cfg_var* var = g_first_var; var; var = var->next_)
        if (var->guid_ == guid) return var;
    return nullptr;
}
