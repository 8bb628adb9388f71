// Start and stop hooks of a component, called on the player's main thread
// once the player is up and once before it shuts down.
#pragma once

#include "sdk/guids.h"
#include "sdk/service.h"

class initquit : public service_base {
public:
    static constexpr GUID class_guid = sdk_guid::initquit;
    using parent_class = service_base;

    virtual void on_init() = 0;
    virtual void on_quit() = 0;

protected:
    ~initquit() = default;
};
