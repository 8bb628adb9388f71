// The one place the configurator reaches the Windows headers. Only the thin
// Windows-side files include it; the record logic never does.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
