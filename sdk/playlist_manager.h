// The player's playlists, as far as the component reads them.
#pragma once

#include <cstddef>

#include "sdk/guids.h"
#include "sdk/service.h"

class playlist_manager : public service_base {
public:
    static constexpr GUID class_guid = sdk_guid::playlist_manager;
    using parent_class = service_base;

    // Where the playing item stands: its playlist and index within it. false
    // when the player cannot say (nothing plays, or the item left its list).
    virtual bool get_playing_item_location(std::size_t* playlist, std::size_t* index) = 0;
    // Items in the playlist; 0 for a playlist that does not exist.
    virtual std::size_t playlist_get_item_count(std::size_t playlist) = 0;

protected:
    ~playlist_manager() = default;
};
