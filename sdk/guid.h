// The 16-byte class and variable identifier. On Windows it is the platform's
// own GUID, so sdk headers and <windows.h> can meet in one file; elsewhere a
// struct of the same layout stands in.
#pragma once

#if defined(_WIN32)
#include <guiddef.h>
#else
#include <cstdint>

struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};

inline bool operator==(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
    for (int i = 0; i < 8; ++i)
        if (a.Data4[i] != b.Data4[i]) return false;
    return true;
}

inline bool operator!=(const GUID& a, const GUID& b) { return !(a == b); }
#endif

static_assert(sizeof(GUID) == 16, "a GUID is 16 bytes on every platform");
