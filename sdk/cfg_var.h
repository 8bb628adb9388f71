// Persisted variables: component-wide objects that carry a GUID and a
// default. Each links itself into one list when constructed; the player
// restores stored values by GUID before it starts the component and reads
// the current values back when it saves its configuration.
//
// Stored form: bool one byte (0 or 1), other integers their bytes
// little-endian, a string its characters (no terminator), a struct its raw
// bytes. A stored value of the wrong size is refused and the variable keeps
// what it holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>

#include "sdk/guid.h"

class cfg_var {
public:
    GUID get_guid() const { return guid_; }
    // The current value in its stored form, replacing `out`.
    virtual void get_raw(std::string& out) const = 0;
    // Takes a stored value; false, and nothing changed, when it does not fit.
    virtual bool set_raw(const void* data, std::size_t size) = 0;
    // Back to the default given at construction.
    virtual void reset() = 0;

    cfg_var* get_next() const { return next_; }
    // First variable of this component, in construction order.
    static cfg_var* list();
    // The variable registered under `guid`, or nullptr.
    static cfg_var* find(const GUID& guid);

    cfg_var(const cfg_var&) = delete;
    cfg_var& operator=(const cfg_var&) = delete;

protected:
    explicit cfg_var(const GUID& guid);  // links at the list's end
    ~cfg_var();                          // unlinks

private:
    GUID guid_;
    cfg_var* next_ = nullptr;
};

template <class T>
class cfg_int_t final : public cfg_var {
    static_assert(std::is_integral<T>::value, "cfg_int_t holds an integer or bool");

public:
    cfg_int_t(const GUID& guid, T default_value) : cfg_var(guid), value_(default_value), default_(default_value) {}

    T get_value() const { return value_; }
    operator T() const { return value_; }
    cfg_int_t& operator=(T value) {
        value_ = value;
        return *this;
    }

    static constexpr std::size_t stored_size = std::is_same<T, bool>::value ? 1 : sizeof(T);

    void get_raw(std::string& out) const override {
        out.clear();
        using U = std::make_unsigned_t<std::conditional_t<std::is_same<T, bool>::value, unsigned char, T>>;
        U bits = static_cast<U>(value_);
        for (std::size_t i = 0; i < stored_size; ++i) out.push_back(static_cast<char>((bits >> (8 * i)) & 0xFFu));
    }
    bool set_raw(const void* data, std::size_t size) override {
        if (size != stored_size) return false;
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        using U = std::make_unsigned_t<std::conditional_t<std::is_same<T, bool>::value, unsigned char, T>>;
        U bits = 0;
        for (std::size_t i = 0; i < stored_size; ++i) bits = static_cast<U>(bits | (static_cast<U>(bytes[i]) << (8 * i)));
        if constexpr (std::is_same<T, bool>::value)
            value_ = bits != 0;
        else
            value_ = static_cast<T>(bits);
        return true;
    }
    void reset() override { value_ = default_; }

private:
    T value_;
    const T default_;
};

class cfg_string final : public cfg_var {
public:
    cfg_string(const GUID& guid, const char* default_value)
        : cfg_var(guid), value_(default_value), default_(default_value) {}

    const char* get_ptr() const { return value_.c_str(); }
    operator const char*() const { return value_.c_str(); }
    std::size_t length() const { return value_.size(); }
    cfg_string& operator=(const char* value) {
        value_ = value;
        return *this;
    }

    void get_raw(std::string& out) const override { out = value_; }
    // Any size fits; the text ends at an embedded zero byte, if any.
    bool set_raw(const void* data, std::size_t size) override {
        const char* text = static_cast<const char*>(data);
        const void* zero = size ? std::memchr(text, 0, size) : nullptr;
        value_.assign(text, zero ? static_cast<const char*>(zero) - text : size);
        return true;
    }
    void reset() override { value_ = default_; }

private:
    std::string value_;
    const std::string default_;
};

template <class T>
class cfg_struct_t final : public cfg_var {
    static_assert(std::is_trivially_copyable<T>::value, "cfg_struct_t stores raw bytes");

public:
    cfg_struct_t(const GUID& guid, const T& default_value)
        : cfg_var(guid), value_(default_value), default_(default_value) {}

    const T& get_value() const { return value_; }
    operator const T&() const { return value_; }
    cfg_struct_t& operator=(const T& value) {
        value_ = value;
        return *this;
    }

    void get_raw(std::string& out) const override { out.assign(reinterpret_cast<const char*>(&value_), sizeof(T)); }
    bool set_raw(const void* data, std::size_t size) override {
        if (size != sizeof(T)) return false;
        std::memcpy(&value_, data, sizeof(T));
        return true;
    }
    void reset() override { value_ = default_; }

private:
    T value_;
    const T default_;
};
