#include "sdk/service.h"

#include "sdk/client_state.h"
#include "sdk/core_api.h"
#include "sdk/player/host_api.h"
#include "sdk/service_factory.h"

service_ptr service_lookup(const GUID& class_guid) {
    service_ptr found;
    host_api* host = sdk_detail::attached_host();
    if (!host || !core_api::are_services_available() || !host->service_lookup(class_guid, found) || !found)
        throw exception_service_not_found(class_guid);
    return found;
}

namespace {
// Zero-initialised before any constructor runs, so factories may link
// themselves in from any static constructor.
service_factory_base* g_first_factory = nullptr;
}  // namespace

service_factory_base::service_factory_base() {
    service_factory_base** link = &g_first_factory;
    while (*link) link = &(*link)->next_;
    *link = this;
}

service_factory_base::~service_factory_base() {
    for (service_factory_base** link = &g_first_factory; *link; link = &(*link)->next_) {
        if (*link == this) {
            *link = next_;
            break;
        }
    }
}

service_factory_base* service_factory_base::get_next() const { return next_; }

service_factory_base* service_factory_list() { return g_first_factory; }
