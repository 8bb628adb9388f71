#include "sdk/component_client.h"

#include <string>

#include "sdk/cfg_var.h"
#include "sdk/client_state.h"
#include "sdk/core_api.h"
#include "sdk/player/client_api.h"
#include "sdk/player/host_api.h"
#include "sdk/service_factory.h"

namespace {

host_api* g_host = nullptr;
void* g_instance = nullptr;
bool g_services_available = false;
// Set by the player before the component starts; plain texts, so that they
// need no construction before the player's first call.
std::string& full_path() {
    static std::string path;
    return path;
}
std::string& file_name() {
    static std::string name;
    return name;
}

class component_client final : public client_api {
public:
    unsigned get_version() override { return client_version; }
    service_factory_base* get_service_list() override { return service_factory_list(); }
    void get_config(config_sink& sink) override {
        std::string raw;
        for (cfg_var* var = cfg_var::list(); var; var = var->get_next()) {
            var->get_raw(raw);
            sink.put(var->get_guid(), raw.data(), raw.size());
        }
    }
    bool set_config_item(const GUID& guid, const void* data, std::size_t size) override {
        cfg_var* var = cfg_var::find(guid);
        return var && var->set_raw(data, size);
    }
    void set_library_path(const char* path, const char* name) override {
        full_path() = path ? path : "";
        file_name() = name ? name : "";
    }
    void services_init(bool available) override { g_services_available = available; }
};

component_client g_client;

}  // namespace

client_api* component_client_attach(host_api* host, void* instance) {
    g_host = host;
    g_instance = instance;
    return &g_client;
}

void component_client_detach() {
    g_host = nullptr;
    g_instance = nullptr;
    g_services_available = false;
    full_path().clear();
    file_name().clear();
}

host_api* sdk_detail::attached_host() { return g_host; }

const char* core_api::get_my_file_name() { return file_name().c_str(); }
const char* core_api::get_my_full_path() { return full_path().c_str(); }
void* core_api::get_my_instance() { return g_instance; }
bool core_api::are_services_available() { return g_host && g_services_available; }
