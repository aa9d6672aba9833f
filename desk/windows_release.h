// The Windows release a report was written on, named in plain words from its
// "Windows OS" entries.
#pragma once

#include <string>
#include <string_view>

namespace tarnwick::desk {

// minorVersion is "MinorVersion" ("10.0"), build "BuildVersion", platform the
// edition text ("Platform"); a server is one whose edition says "Server".
std::string NameWindowsRelease(std::string_view minorVersion, std::string_view build, std::string_view platform);

}  // namespace tarnwick::desk
