#include "player/host/track_handle.h"

namespace player {

bool track_handle::get_info(file_info& out) const {
    out.meta_remove_all();
    if (track_.title) out.meta_add("title", track_.title->c_str());
    if (track_.album) out.meta_add("album", track_.album->c_str());
    out.set_length(static_cast<double>(track_.length_ms) / 1000.0);
    return true;
}

metadb_handle_ptr make_track_handle(const track& t) { return service_new_t<track_handle>(t); }

}  // namespace player
