// What the component knows about itself, as the player told it at load.
#pragma once

namespace core_api {

// File name of the component's library ("" until the player names it).
const char* get_my_file_name();
// Full path of the library, as the player passed it ("" until then).
const char* get_my_full_path();
// The library's module instance handle (a Windows HINSTANCE), or nullptr.
void* get_my_instance();
// Whether the player's services may be used yet.
bool are_services_available();

}  // namespace core_api
