// Windows only. The preferences dialog as key learning reaches it.
#pragma once

#include "serial/win32.h"

// The dialog the preferences page made last. The page sets it and never
// clears it: a refresh or capture after the dialog is gone reaches nothing.
extern HWND page_dialog;
