// PLAYER SIDE. The interface a component's export returns, through which the
// player drives the component's side of the sdk. A component compiles in the
// implementation (sdk/component_client.cpp); players call it.
//
// The player loads the library, looks up the export by client_export_name,
// calls it with its host_api and the module instance handle, checks
// get_version() == client_version, tells the component its path, restores
// the stored settings, allows services and then walks the service list.
#pragma once

#include <cstddef>

#include "sdk/guid.h"
#include "sdk/service_factory.h"

class host_api;

// Receives the persisted variables when the player saves its configuration.
class config_sink {
public:
    virtual void put(const GUID& guid, const void* data, std::size_t size) = 0;

protected:
    config_sink() = default;
    ~config_sink() = default;
    config_sink(const config_sink&) = default;
    config_sink& operator=(const config_sink&) = default;
};

class client_api {
public:
    virtual unsigned get_version() = 0;
    // The first of the component's service factories (walk with get_next()).
    virtual service_factory_base* get_service_list() = 0;
    // Hands every persisted variable's GUID and stored form to `sink`, in the
    // order the variables were registered.
    virtual void get_config(config_sink& sink) = 0;
    // Restores one stored value. false when no variable has this GUID or the
    // value does not fit it; the variable then keeps its default.
    virtual bool set_config_item(const GUID& guid, const void* data, std::size_t size) = 0;
    // The library's full path and its file name (UTF-8).
    virtual void set_library_path(const char* full_path, const char* file_name) = 0;
    // Whether the component may look up the player's services from now on.
    virtual void services_init(bool available) = 0;

protected:
    client_api() = default;
    ~client_api() = default;
    client_api(const client_api&) = default;
    client_api& operator=(const client_api&) = default;
};

constexpr unsigned client_version = 77;

// The component's only export; `instance` is the library's HINSTANCE.
constexpr const char client_export_name[] = "foobar2000_get_interface";
using client_export_function = client_api* (*)(host_api* host, void* instance);
