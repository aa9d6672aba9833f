// Conversions between the system's ANSI code page and UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace tarnwick::win32 {

std::wstring WideFromAnsi(std::string_view text);
std::string AnsiFromWide(std::wstring_view text);

}  // namespace tarnwick::win32
