// The tavixcfg dialog: moves values between its controls and the one
// settings record the program keeps, and runs Open, Verify and Save.
#pragma once

#include "configurator/win32.h"

INT_PTR CALLBACK tavixcfg_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
