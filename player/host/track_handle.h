// A playlist entry as components see it: a reference-counted metadb_handle
// holding its own copy of the track, so it stays valid however long a
// component keeps it and whatever happens to the playlist meanwhile.
#pragma once

#include "player/core/track.h"
#include "sdk/metadb_handle.h"

namespace player {

class track_handle : public metadb_handle {
public:
    explicit track_handle(track t) : track_(std::move(t)) {}

    const char* get_location() const override { return track_.path.c_str(); }
    // Only tags the track has are filled; an absent tag stays absent.
    bool get_info(file_info& out) const override;

private:
    track track_;
};

metadb_handle_ptr make_track_handle(const track& t);

}  // namespace player
