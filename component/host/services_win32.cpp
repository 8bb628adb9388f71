// The component's three services, registered with the player when the
// library's static objects are made: its version record, its start and
// stop hooks and its preferences page.
#include "component/host/component_version.h"
#include "component/host/tavix_config.h"
#include "component/host/tavix_initquit.h"
#include "sdk/service_factory.h"

namespace {

service_factory_single_t<componentversion_myimpl> version_factory;
service_factory_single_t<tavix_initquit> initquit_factory;
preferences_page_factory_t<tavix_config> page_factory;

}  // namespace
