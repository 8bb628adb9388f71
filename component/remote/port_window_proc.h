// Windows only. The window procedure of the component's message-only window,
// where the serial port's notifications (WM_USER) arrive.
#pragma once

#include "serial/win32.h"

LRESULT CALLBACK port_window_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
