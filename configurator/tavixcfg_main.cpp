// tavixcfg: edits a tavix device settings file in one modal dialog.
#include "configurator/dialog.h"
#include "configurator/resource_ids.h"

#include <commctrl.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    // The dialog's own class is the system dialog class with our icon, so the
    // caption and the task bar show it.
    WNDCLASSEXA window_class{};
    window_class.cbSize = sizeof window_class;
    if (!GetClassInfoExA(nullptr, MAKEINTRESOURCEA(0x8002), &window_class)) return 0;
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_TAVIXCFG));
    window_class.lpszClassName = "firstClass";
    if (!RegisterClassExA(&window_class)) return 0;

    return static_cast<int>(DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_TAVIXCFG), nullptr,
                                            tavixcfg_dialog_proc, 0));
}
