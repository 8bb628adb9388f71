// The library entry point. Nothing is set up here: the player hands over
// what the component needs through its export.
#include "serial/win32.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    // Nothing here needs to hear of threads starting and ending (the port's
    // listener among them), so Windows need not call in for each.
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}
