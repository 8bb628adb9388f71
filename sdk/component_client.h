// The component's side of the player link: what the library's export does,
// callable directly so that native tests can attach a fake player.
#pragma once

class client_api;
class host_api;

// Remembers the player and the module instance and returns the component's
// client interface. Services stay unavailable until the player allows them.
client_api* component_client_attach(host_api* host, void* instance);

// Forgets the player: lookups fail and console lines go nowhere again.
void component_client_detach();
