// UTF-8 inside the player, UTF-16 at the Windows API.
#pragma once

#include <string>

namespace player {

std::wstring widen(const std::string& utf8);
std::string narrow(const std::wstring& utf16);

}  // namespace player
