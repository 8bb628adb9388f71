// Services: reference-counted objects that answer interface queries by class
// GUID, the smart pointer that holds them, and the lookup of the player's
// services. Interface calls cross the component/player boundary, so they pass
// only plain values, C strings, the sdk's own out-types and interface pointers.
#pragma once

#include <atomic>
#include <exception>
#include <type_traits>
#include <utility>

#include "sdk/guid.h"

class service_base;

template <class T>
class service_ptr_t {
public:
    service_ptr_t() = default;
    service_ptr_t(T* p) : p_(p) { add_ref(); }  // NOLINT: implicit, like a raw pointer
    service_ptr_t(const service_ptr_t& other) : p_(other.p_) { add_ref(); }
    service_ptr_t(service_ptr_t&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
    template <class U, class = std::enable_if_t<std::is_convertible<U*, T*>::value>>
    service_ptr_t(const service_ptr_t<U>& other) : p_(other.get_ptr()) { add_ref(); }
    ~service_ptr_t() { release(); }

    service_ptr_t& operator=(const service_ptr_t& other) {
        service_ptr_t(other).swap(*this);
        return *this;
    }
    service_ptr_t& operator=(service_ptr_t&& other) noexcept {
        service_ptr_t(std::move(other)).swap(*this);
        return *this;
    }
    service_ptr_t& operator=(T* p) {
        service_ptr_t(p).swap(*this);
        return *this;
    }

    void release() {
        T* p = p_;
        p_ = nullptr;
        if (p) p->service_release();
    }
    void swap(service_ptr_t& other) noexcept { std::swap(p_, other.p_); }

    T* get_ptr() const { return p_; }
    T* operator->() const { return p_; }
    T& operator*() const { return *p_; }
    bool is_valid() const { return p_ != nullptr; }
    bool is_empty() const { return p_ == nullptr; }
    explicit operator bool() const { return p_ != nullptr; }

    // Asks the held service for interface U; `out` is left empty when it
    // does not implement U.
    template <class U>
    bool query(service_ptr_t<U>& out) const;

private:
    void add_ref() {
        if (p_) p_->service_add_ref();
    }
    T* p_ = nullptr;
};

using service_ptr = service_ptr_t<service_base>;

// The three slots every service starts with. Implementations count their
// references themselves (or not at all, for static single instances).
class service_base {
public:
    virtual int service_release() noexcept = 0;
    virtual int service_add_ref() noexcept = 0;
    // Sets `out` to this object as the interface of class `class_guid` and
    // returns true, or leaves `out` alone and returns false.
    virtual bool service_query(service_ptr& out, const GUID& class_guid) = 0;

protected:
    service_base() = default;
    ~service_base() = default;
    service_base(const service_base&) = default;
    service_base& operator=(const service_base&) = default;
};

template <class T>
template <class U>
bool service_ptr_t<T>::query(service_ptr_t<U>& out) const {
    out.release();
    if (!p_) return false;
    service_ptr found;
    if (!p_->service_query(found, U::class_guid) || !found) return false;
    out = static_cast<U*>(found.get_ptr());
    return true;
}

// Raised by standard_api_create_t when the player has no service of a class.
class exception_service_not_found : public std::exception {
public:
    explicit exception_service_not_found(const GUID& class_guid) : class_guid_(class_guid) {}
    const char* what() const noexcept override { return "Service not found"; }
    const GUID& class_guid() const { return class_guid_; }

private:
    GUID class_guid_;
};

// Asks the player for its service of class `class_guid`. Throws
// exception_service_not_found when no player is attached, services may not be
// used yet, or nothing answers.
service_ptr service_lookup(const GUID& class_guid);

// The player's service of interface T, typed. Throws as service_lookup does,
// also when the object found does not implement T.
template <class T>
service_ptr_t<T> standard_api_create_t() {
    service_ptr found = service_lookup(T::class_guid);
    service_ptr_t<T> typed;
    if (!found.query(typed)) throw exception_service_not_found(T::class_guid);
    return typed;
}

namespace sdk_detail {
// True when `guid` names interface I or one of the interfaces it extends.
template <class I>
bool implements(const GUID& guid) {
    if (guid == I::class_guid) return true;
    if constexpr (!std::is_same<typename I::parent_class, service_base>::value)
        return implements<typename I::parent_class>(guid);
    return false;
}
}  // namespace sdk_detail

// A service that lives as long as the component: references are not counted.
// T is an interface (or an implementation of one) naming class_guid and
// parent_class.
template <class T>
class service_impl_single_t final : public T {
public:
    using T::T;
    int service_release() noexcept override { return 1; }
    int service_add_ref() noexcept override { return 1; }
    bool service_query(service_ptr& out, const GUID& class_guid) override {
        if (!sdk_detail::implements<T>(class_guid)) return false;
        out = static_cast<service_base*>(this);
        return true;
    }
};

// A heap service that deletes itself when its last reference goes; the count
// may be changed from any thread.
template <class T>
class service_impl_t final : public T {
public:
    using T::T;
    int service_release() noexcept override {
        int left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    int service_add_ref() noexcept override { return ++refs_; }
    bool service_query(service_ptr& out, const GUID& class_guid) override {
        if (!sdk_detail::implements<T>(class_guid)) return false;
        out = static_cast<service_base*>(this);
        return true;
    }

private:
    std::atomic<int> refs_{0};
};

// Makes a heap service and hands out the first reference.
template <class T, class... Args>
service_ptr_t<T> service_new_t(Args&&... args) {
    return service_ptr_t<T>(new service_impl_t<T>(std::forward<Args>(args)...));
}
