// Text handed out across the component/player boundary: the receiving side
// owns the buffer and fills it through these calls, so neither side ever
// frees memory that the other allocated.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

class string_base {
public:
    virtual const char* get_ptr() const = 0;
    virtual std::size_t get_length() const = 0;
    virtual void set_string_n(const char* text, std::size_t length) = 0;
    virtual void add_string_n(const char* text, std::size_t length) = 0;

    void set_string(const char* text) { set_string_n(text, std::strlen(text)); }
    void add_string(const char* text) { add_string_n(text, std::strlen(text)); }
    string_base& operator=(const char* text) {
        set_string(text);
        return *this;
    }

protected:
    string_base() = default;
    ~string_base() = default;
    string_base(const string_base&) = default;
    string_base& operator=(const string_base&) = default;
};

// The everyday out-string: a growing buffer owned by whoever declares it.
class string_buffer final : public string_base {
public:
    string_buffer() = default;
    explicit string_buffer(const char* text) : text_(text) {}

    const char* get_ptr() const override { return text_.c_str(); }
    std::size_t get_length() const override { return text_.size(); }
    void set_string_n(const char* text, std::size_t length) override { text_.assign(text, length); }
    void add_string_n(const char* text, std::size_t length) override { text_.append(text, length); }

    using string_base::operator=;

private:
    std::string text_;
};
