// Internal to the sdk: the player this component is attached to.
#pragma once

class host_api;

namespace sdk_detail {
// The attached player, or nullptr.
host_api* attached_host();
}
