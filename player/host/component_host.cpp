#include "player/host/component_host.h"

#include "player/core/guid_text.h"
#include "sdk/componentversion.h"
#include "sdk/string.h"

namespace player {

namespace {

// Collects a component's persisted variables as they stand.
class store_sink final : public config_sink {
public:
    explicit store_sink(config_store& store) : store_(store) {}
    void put(const GUID& guid, const void* data, std::size_t size) override {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        store_.set(to_guid_key(guid), config_bytes(bytes, bytes + size));
        ++count;
    }
    std::size_t count = 0;

private:
    config_store& store_;
};

// Only the GUIDs a component has: which stored values are its own.
class guid_sink final : public config_sink {
public:
    void put(const GUID& guid, const void*, std::size_t) override { guids.push_back(guid); }
    std::vector<GUID> guids;
};

}  // namespace

bool component_host::service_lookup(const GUID& class_guid, service_ptr& out) {
    if (services_.lookup(class_guid, out)) return true;
    out_.line("player", "a component asked for a service this player does not have: " + format_guid(to_guid_key(class_guid)));
    return false;
}

void component_host::console_print(const char* line) { out_.line("console", line ? line : ""); }

bool component_host::attach(client_api* client, const std::string& full_path, const std::string& file_name) {
    unsigned version = 0;
    if (!guarded(out_, "get_version", [&] { version = client->get_version(); })) return false;
    if (version != client_version) {
        out_.line("error", file_name + ": component speaks version " + std::to_string(version) + ", this player " +
                               std::to_string(client_version) + "; not loaded");
        return false;
    }
    hosted_component c;
    c.full_path = full_path;
    c.file_name = file_name;
    c.client = client;
    guarded(out_, "set_library_path", [&] { client->set_library_path(full_path.c_str(), file_name.c_str()); });
    restore_config(c);
    guarded(out_, "services_init", [&] { client->services_init(true); });
    list_services(c);
    std::string what = "loaded " + file_name;
    if (!c.name.empty()) what += ": " + c.name + " " + c.version;
    out_.line("player", what);
    components_.push_back(std::move(c));
    return true;
}

void component_host::restore_config(hosted_component& c) {
    guid_sink own;
    guarded(out_, "get_config", [&] { c.client->get_config(own); });
    std::size_t restored = 0;
    for (const GUID& g : own.guids) {
        const config_bytes* stored = store_.find(to_guid_key(g));
        if (!stored) continue;
        bool taken = false;
        guarded(out_, "set_config_item",
                [&] { taken = c.client->set_config_item(g, stored->data(), stored->size()); });
        if (taken)
            ++restored;
        else
            out_.line("error", c.file_name + ": stored value of " + format_guid(to_guid_key(g)) + " (" +
                                   std::to_string(stored->size()) + " bytes) refused; its default stays");
    }
    out_.line("player", c.file_name + ": " + std::to_string(restored) + " of " + std::to_string(own.guids.size()) +
                            " settings restored");
}

void component_host::list_services(hosted_component& c) {
    service_factory_base* f = nullptr;
    guarded(out_, "get_service_list", [&] { f = c.client->get_service_list(); });
    // A broken list must not hang the player.
    for (int guard = 0; f && guard < 10000; ++guard) {
        guarded(out_, "service factory", [&] {
            const GUID cls = f->get_class_guid();
            service_ptr instance;
            f->instance_create(instance);
            if (!instance) return;
            if (cls == initquit::class_guid) {
                service_ptr_t<initquit> iq;
                if (instance.query(iq)) c.initquits.push_back(iq);
            } else if (cls == preferences_page::class_guid) {
                service_ptr_t<preferences_page> page;
                if (instance.query(page)) {
                    const char* name = page->get_name();
                    c.pages.push_back({page, name ? name : ""});
                }
            } else if (cls == componentversion::class_guid) {
                service_ptr_t<componentversion> cv;
                if (instance.query(cv)) {
                    string_buffer name, version;
                    cv->get_component_name(name);
                    cv->get_component_version(version);
                    c.name = name.get_ptr();
                    c.version = version.get_ptr();
                }
            }
        });
        service_factory_base* next = nullptr;
        guarded(out_, "service factory", [&] { next = f->get_next(); });
        f = next;
    }
}

void component_host::start_all() {
    if (started_) return;
    started_ = true;
    for (auto& c : components_)
        for (auto& iq : c.initquits) guarded(out_, "on_init", [&] { iq->on_init(); });
}

void component_host::stop_all() {
    if (started_) {
        for (auto& c : components_)
            for (auto& iq : c.initquits) guarded(out_, "on_quit", [&] { iq->on_quit(); });
    }
    started_ = false;
    collect_config();
    for (auto& c : components_) guarded(out_, "services_init", [&] { c.client->services_init(false); });
}

void component_host::collect_config() {
    for (auto& c : components_) {
        store_sink sink(store_);
        guarded(out_, "get_config", [&] { c.client->get_config(sink); });
    }
}

std::vector<hosted_page> component_host::pages() const {
    std::vector<hosted_page> all;
    for (const auto& c : components_)
        for (const auto& p : c.pages) all.push_back(p);
    return all;
}

}  // namespace player
