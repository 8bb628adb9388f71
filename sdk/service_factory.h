// Service factories: the component's services, each linked into one list
// while the library's static objects are constructed. The player walks the
// list (client_api::get_service_list) and creates the instances it needs.
#pragma once

#include "sdk/guid.h"
#include "sdk/service.h"

class service_factory_base {
public:
    // Class GUID of the interface the created service implements.
    virtual GUID get_class_guid() const = 0;
    virtual void instance_create(service_ptr& out) = 0;
    // The next factory of the list, or nullptr after the last one. Virtual,
    // so that the player reads the list through the component's own code.
    virtual service_factory_base* get_next() const;

protected:
    service_factory_base();   // links this factory at the list's end
    ~service_factory_base();  // unlinks it again
    service_factory_base(const service_factory_base&) = delete;
    service_factory_base& operator=(const service_factory_base&) = delete;

private:
    friend service_factory_base* service_factory_list();
    service_factory_base* next_ = nullptr;
};

// First factory of this component, in construction order; nullptr when none.
service_factory_base* service_factory_list();

// Factory of a single static instance of T, which lives as long as the factory.
template <class T>
class service_factory_single_t : public service_factory_base {
public:
    GUID get_class_guid() const override { return T::class_guid; }
    void instance_create(service_ptr& out) override { out = static_cast<service_base*>(&instance_); }

    T& get_static_instance() { return instance_; }

private:
    service_impl_single_t<T> instance_;
};

// Factory that makes a new heap instance of T for each request.
template <class T>
class service_factory_t : public service_factory_base {
public:
    GUID get_class_guid() const override { return T::class_guid; }
    void instance_create(service_ptr& out) override { out = service_new_t<T>(); }
};
