// The library's export, compiled only into the Windows component library.
#include <windows.h>

#include "sdk/component_client.h"
#include "sdk/player/client_api.h"

extern "C" __declspec(dllexport) client_api* foobar2000_get_interface(host_api* host, HINSTANCE instance) {
    return component_client_attach(host, instance);
}
