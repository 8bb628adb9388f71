// PLAYER SIDE. What a player implements and hands to a component when it
// calls the component's export. A component never implements this; it
// reaches the player only through the lookups and console calls of the sdk.
#pragma once

#include "sdk/guid.h"
#include "sdk/service.h"

class host_api {
public:
    // Sets `out` to the player's service of class `class_guid` and returns
    // true, or returns false when the player has none.
    virtual bool service_lookup(const GUID& class_guid, service_ptr& out) = 0;
    // Prints one line on the player's console (the component has already
    // put "Error: " in front of error lines).
    virtual void console_print(const char* line) = 0;

protected:
    host_api() = default;
    ~host_api() = default;
    host_api(const host_api&) = default;
    host_api& operator=(const host_api&) = default;
};
