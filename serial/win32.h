// The one way foo_tavix's Win32 files reach <windows.h>.
//
// The build already defines these for every Windows target; the guards keep a
// file compiled outside that build (an IDE, a quick check) from getting the
// ANSI API, the min/max macros or the whole of the Windows headers.  Headers
// that <windows.h> leaves out under WIN32_LEAN_AND_MEAN (setupapi.h,
// commctrl.h, ...) are included by the files that need them, after this one.
#pragma once

#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#endif

#include <windows.h>
