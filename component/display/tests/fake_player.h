// The player services the collector looks up, as small fakes a test sets up
// and inspects. The fake_host of the sdk hands them out.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "sdk/main_thread_callback.h"
#include "sdk/metadb_handle.h"
#include "sdk/play_callback.h"
#include "sdk/playback_control.h"
#include "sdk/playlist_manager.h"
#include "sdk/service.h"
#include "sdk/testing/fake_play_callback_manager.h"

using tag_list = std::vector<std::pair<std::string, std::string>>;

class fake_track : public metadb_handle {
public:
    fake_track(std::string location, tag_list tags, bool has_info = true)
        : location_(std::move(location)), tags_(std::move(tags)), has_info_(has_info) {}

    const char* get_location() const override { return location_.c_str(); }
    bool get_info(file_info& out) const override {
        if (!has_info_) return false;
        for (const auto& tag : tags_) out.meta_add(tag.first.c_str(), tag.second.c_str());
        return true;
    }

private:
    std::string location_;
    tag_list tags_;
    bool has_info_;
};

inline metadb_handle_ptr make_track(std::string location, tag_list tags = {}, bool has_info = true) {
    return service_new_t<fake_track>(std::move(location), std::move(tags), has_info);
}

class fake_playback_control : public playback_control {
public:
    metadb_handle_ptr playing;  // empty: nothing plays
    double length = 0;

    bool get_now_playing(metadb_handle_ptr& out) override {
        out = playing;
        return playing.is_valid();
    }
    double playback_get_length() override { return playing ? length : 0.0; }

    void start(t_track_command, bool) override {}
    void stop() override {}
    bool is_playing() override { return playing.is_valid(); }
    bool is_paused() override { return false; }
    void pause(bool) override {}
    bool playback_can_seek() override { return true; }
    void playback_seek(double) override {}
    void playback_seek_delta(double) override {}
    double playback_get_position() override { return 0; }
    float get_volume() override { return 0; }
    void set_volume(float) override {}
    void volume_up() override {}
    void volume_down() override {}
    void volume_mute_toggle() override {}
};

class fake_playlist_manager : public playlist_manager {
public:
    bool knows_location = true;
    std::size_t playlist = 0;
    std::size_t index = 0;
    std::size_t item_count = 0;
    std::size_t location_queries = 0;

    bool get_playing_item_location(std::size_t* playlist_out, std::size_t* index_out) override {
        ++location_queries;
        if (!knows_location) return false;
        *playlist_out = playlist;
        *index_out = index;
        return true;
    }
    std::size_t playlist_get_item_count(std::size_t which) override {
        return which == playlist ? item_count : 0;
    }
};

// Holds queued callbacks until the test lets the "main loop" run them.
class fake_callback_queue : public main_thread_callback_manager {
public:
    std::vector<service_ptr_t<main_thread_callback>> queued;

    void add_callback(const service_ptr_t<main_thread_callback>& callback) override {
        queued.push_back(callback);
    }
    void run_all() {
        std::vector<service_ptr_t<main_thread_callback>> now;
        now.swap(queued);
        for (auto& callback : now) callback->callback_run();
    }
};

