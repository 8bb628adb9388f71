#include "component/display/now_playing.h"

#include <cstddef>

#include "component/display/frames.h"
#include "component/display/track_text.h"
#include "sdk/playlist_manager.h"

playback_display_callback playback_display;

void register_playback_display() {
    standard_api_create_t<play_callback_manager>()->register_callback(
        &playback_display, playback_display_callback::flags, true);
}

void playback_display_callback::on_playback_new_track(const metadb_handle_ptr& track) {
    const service_ptr_t<playback_control> control = standard_api_create_t<playback_control>();
    now_playing.title[0] = '\0';
    now_playing.album[0] = '\0';
    now_playing.texts_converted = false;

    // The player's own idea of what plays wins over the handle it passed.
    metadb_handle_ptr playing;
    if (control->get_now_playing(playing) && playing) {
        file_info_impl info;
        if (playing->get_info(info)) {
            if (const char* title = info.meta_get("title", 0)) store_track_text(now_playing.title, title);
            if (const char* album = info.meta_get("album", 0)) store_track_text(now_playing.album, album);
        }
    } else {
        playing = track;
    }
    store_track_text(now_playing.path, playing ? playing->get_location() : nullptr);
    now_playing.length_seconds = round_seconds(control->playback_get_length());

    on_playback_time(0.0);

    // The track frame waits for the player to run this callback: only then
    // does the playlist know where the new track stands.
    const service_ptr_t<main_thread_callback> callback(new new_track_pb());
    standard_api_create_t<main_thread_callback_manager>()->add_callback(callback);
}

void playback_display_callback::on_playback_stop(playback_control::t_stop_reason) {
    on_playback_time(0.0);
}

void playback_display_callback::on_playback_seek(double time) { on_playback_time(time); }

void playback_display_callback::on_playback_time(double time) { send_frame(build_time_frame(time)); }

int new_track_pb::service_add_ref() noexcept {
    return references_.fetch_add(1, std::memory_order_acq_rel) + 1;
}

int new_track_pb::service_release() noexcept {
    const std::int32_t left = references_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete this;
    return left;
}

bool new_track_pb::service_query(service_ptr& out, const GUID& class_guid) {
    if (class_guid != main_thread_callback::class_guid) return false;
    out = static_cast<service_base*>(this);
    return true;
}

void new_track_pb::callback_run() {
    std::size_t playlist = 0;
    std::size_t index = 0;
    service_ptr_t<playlist_manager> playlists = standard_api_create_t<playlist_manager>();
    if (playlists->get_playing_item_location(&playlist, &index)) {
        const std::size_t count = playlists->playlist_get_item_count(playlist);
        now_playing.last_position = static_cast<std::uint8_t>(index + 1);
        now_playing.last_item_count = static_cast<std::uint8_t>(count);
    }
    playlists.release();

    if (now_playing.title[0] == '\0') {
        fill_names_from_path(now_playing);
        now_playing.texts_converted = false;
    }
    // Converting twice would blank every Cyrillic letter, and a second
    // callback for the same track is no rarity: tracks skipped faster than
    // the player runs its queue.
    if (!now_playing.texts_converted) {
        transliterate_cp1251(now_playing.album);
        transliterate_cp1251(now_playing.title);
        now_playing.texts_converted = true;
    }

    send_frame(build_track_frame({now_playing.length_seconds, now_playing.last_position,
                                  now_playing.last_item_count, now_playing.album,
                                  now_playing.title}));
}
