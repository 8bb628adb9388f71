// The status of a Win32 call that has just failed (internal to serial/).
#pragma once

#include "serial/win32.h"

namespace tavix::serial {

// GetLastError as a status.  A call that fails without saying why must still
// not read as success.
inline LONG platform_error()
{
    const DWORD error = ::GetLastError();
    return error ? static_cast<LONG>(error) : static_cast<LONG>(ERROR_GEN_FAILURE);
}

}  // namespace tavix::serial
