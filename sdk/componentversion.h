// The component's entry in the player's list of components.
#pragma once

#include "sdk/guids.h"
#include "sdk/service.h"
#include "sdk/string.h"

class componentversion : public service_base {
public:
    static constexpr GUID class_guid = sdk_guid::componentversion;
    using parent_class = service_base;

    virtual void get_file_name(string_base& out) = 0;
    virtual void get_component_name(string_base& out) = 0;
    virtual void get_component_version(string_base& out) = 0;
    virtual void get_about_message(string_base& out) = 0;

protected:
    ~componentversion() = default;
};
