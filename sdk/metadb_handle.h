// Tracks and their tag information.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "sdk/guids.h"
#include "sdk/service.h"

// Tag fields and length of one track. The player fills an object the
// component created, through these calls, so each side only ever touches
// memory of its own.
class file_info {
public:
    // Value `index` of the named field (names compare ignoring ASCII case),
    // or nullptr when there is no such value.
    virtual const char* meta_get(const char* name, std::size_t index) const = 0;
    virtual std::size_t meta_get_count(const char* name) const = 0;
    // Adds one more value to the named field.
    virtual void meta_add(const char* name, const char* value) = 0;
    virtual void meta_remove_all() = 0;
    // Seconds; 0 when unknown.
    virtual double get_length() const = 0;
    virtual void set_length(double seconds) = 0;

protected:
    file_info() = default;
    ~file_info() = default;
    file_info(const file_info&) = default;
    file_info& operator=(const file_info&) = default;
};

// An empty file_info to hand to metadb_handle::get_info.
class file_info_impl final : public file_info {
public:
    const char* meta_get(const char* name, std::size_t index) const override;
    std::size_t meta_get_count(const char* name) const override;
    void meta_add(const char* name, const char* value) override;
    void meta_remove_all() override;
    double get_length() const override { return length_; }
    void set_length(double seconds) override { length_ = seconds; }

private:
    struct field {
        std::string name;
        std::string value;
    };
    std::vector<field> fields_;
    double length_ = 0;
};

class metadb_handle : public service_base {
public:
    static constexpr GUID class_guid = sdk_guid::metadb_handle;
    using parent_class = service_base;

    // The track's location as the player names it (for local files a
    // URL-like text such as "file://C:\Music\a.flac"); valid while the
    // handle is held.
    virtual const char* get_location() const = 0;
    // Fills `out` with the track's tags and length; false when the player
    // has no information on the track.
    virtual bool get_info(file_info& out) const = 0;

protected:
    ~metadb_handle() = default;
};

using metadb_handle_ptr = service_ptr_t<metadb_handle>;
