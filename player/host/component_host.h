// The player's side of the component link: the host_api handed to every
// component, and the steps of a component's life as the player takes them:
// attach (version, path, stored settings, services allowed, its services
// listed), start (on_init), stop (on_quit) and the settings read back for
// saving.
#pragma once

#include <string>
#include <vector>

#include "player/core/config_store.h"
#include "player/core/output_log.h"
#include "player/host/player_services.h"
#include "sdk/initquit.h"
#include "sdk/player/client_api.h"
#include "sdk/player/host_api.h"
#include "sdk/preferences_page.h"

namespace player {

struct hosted_page {
    service_ptr_t<preferences_page> page;
    std::string name;
};

struct hosted_component {
    std::string full_path;
    std::string file_name;
    client_api* client = nullptr;
    std::string name;     // from its componentversion, if any
    std::string version;
    std::vector<service_ptr_t<initquit>> initquits;
    std::vector<hosted_page> pages;
};

class component_host final : public host_api {
public:
    component_host(player_services& services, output_log& out, config_store& store)
        : services_(services), out_(out), store_(store) {}
    component_host(const component_host&) = delete;
    component_host& operator=(const component_host&) = delete;

    bool service_lookup(const GUID& class_guid, service_ptr& out) override;
    void console_print(const char* line) override;

    // Takes over a component whose export returned `client`. Prints what it
    // found; false (and the component is not used) when its version is not
    // the one this player speaks.
    bool attach(client_api* client, const std::string& full_path, const std::string& file_name);

    // on_init of every component's initquit services, in load order.
    void start_all();
    // on_quit of every initquit, then their settings into the store, then
    // services are withdrawn.
    void stop_all();
    // Current values of every component's persisted variables into the store.
    void collect_config();

    bool started() const { return started_; }
    const std::vector<hosted_component>& components() const { return components_; }
    // Every preferences page of every component, in load order.
    std::vector<hosted_page> pages() const;

private:
    void restore_config(hosted_component& c);
    void list_services(hosted_component& c);

    player_services& services_;
    output_log& out_;
    config_store& store_;
    std::vector<hosted_component> components_;
    bool started_ = false;
};

}  // namespace player
