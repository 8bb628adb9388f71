#include "sdk/testing/fake_host.h"

#include "sdk/component_client.h"

fake_host::fake_host() {
    client_ = component_client_attach(this, nullptr);
    client_->services_init(true);
}

fake_host::~fake_host() { component_client_detach(); }

void fake_host::set_service(const GUID& class_guid, service_base* service) {
    for (auto& entry : services_) {
        if (entry.first == class_guid) {
            entry.second = service;
            return;
        }
    }
    services_.emplace_back(class_guid, service);
}

bool fake_host::service_lookup(const GUID& class_guid, service_ptr& out) {
    ++lookup_count;
    for (const auto& entry : services_) {
        if (entry.first == class_guid && entry.second) {
            out = entry.second;
            return true;
        }
    }
    return false;
}

void fake_host::console_print(const char* line) {
    ++console_count;
    if (keep_console_lines) console_lines.emplace_back(line);
}
