#include "desk/windows_release.h"

#include <charconv>

namespace tarnwick::desk {
namespace {

struct Release {
  std::string_view version;  // "MinorVersion"
  long build;  // 0: any build of that version
  bool server;
  std::string_view name;
};

// First matching row wins. Programs without a compatibility manifest are
// told 6.2 build 9200 by every Windows from 8 on, so that row cannot say
// which Windows it was.
constexpr Release kReleases[] = {
    {"3.51", 0, false, "Windows NT 3.51"},
    {"3.51", 0, true, "Windows NT 3.51 Server"},
    {"4.0", 0, false, "Windows NT 4.0"},
    {"4.0", 0, true, "Windows NT 4.0 Server"},
    {"5.0", 0, false, "Windows 2000"},
    {"5.0", 0, true, "Windows 2000 Server"},
    {"5.1", 0, false, "Windows XP"},
    {"5.2", 0, true, "Windows Server 2003"},
    {"5.2", 0, false, "Windows XP Professional x64 Edition"},
    {"6.0", 0, false, "Windows Vista"},
    {"6.0", 0, true, "Windows Server 2008"},
    {"6.1", 0, false, "Windows 7"},
    {"6.1", 0, true, "Windows Server 2008 R2"},
    {"6.2", 9200, false, "Windows 8, or a later Windows answering as Windows 8"},
    {"6.2", 9200, true, "Windows Server 2012, or a later Windows answering as Windows Server 2012"},
    {"6.2", 0, false, "Windows 8"},
    {"6.2", 0, true, "Windows Server 2012"},
    {"6.3", 0, false, "Windows 8.1"},
    {"6.3", 0, true, "Windows Server 2012 R2"},
    {"10.0", 10240, false, "Windows 10 version 1507"},
    {"10.0", 10586, false, "Windows 10 version 1511"},
    {"10.0", 14393, false, "Windows 10 version 1607"},
    {"10.0", 14393, true, "Windows Server 2016"},
    {"10.0", 15063, false, "Windows 10 version 1703"},
    {"10.0", 16299, false, "Windows 10 version 1709"},
    {"10.0", 17134, false, "Windows 10 version 1803"},
    {"10.0", 17763, false, "Windows 10 version 1809"},
    {"10.0", 17763, true, "Windows Server 2019"},
    {"10.0", 18362, false, "Windows 10 version 1903"},
    {"10.0", 18363, false, "Windows 10 version 1909"},
    {"10.0", 19041, false, "Windows 10 version 2004"},
    {"10.0", 19042, false, "Windows 10 version 20H2"},
    {"10.0", 19043, false, "Windows 10 version 21H1"},
    {"10.0", 19044, false, "Windows 10 version 21H2"},
    {"10.0", 19045, false, "Windows 10 version 22H2"},
    {"10.0", 20348, true, "Windows Server 2022"},
    {"10.0", 22000, false, "Windows 11 version 21H2"},
    {"10.0", 22621, false, "Windows 11 version 22H2"},
    {"10.0", 22631, false, "Windows 11 version 23H2"},
    {"10.0", 26100, false, "Windows 11 version 24H2"},
    {"10.0", 26100, true, "Windows Server 2025"},
};

constexpr long kFirstWindows11Build = 22000;

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::string NameWindowsRelease(std::string_view minorVersion, std::string_view build, std::string_view platform) {
  minorVersion = Trim(minorVersion);
  build = Trim(build);
  // Windows 95, 98, Me and Win32s have no version entries; their edition
  // text names them.
  if (minorVersion.empty()) {
    const std::string_view named = Trim(platform);
    return named.empty() ? "an unknown Windows" : std::string(named);
  }
  const bool server = platform.find("Server") != std::string_view::npos;
  long number = -1;
  std::from_chars(build.data(), build.data() + build.size(), number);
  for (const Release& row : kReleases) {
    if (row.version == minorVersion && row.server == server && (row.build == 0 || row.build == number)) {
      std::string name(row.name);
      if (minorVersion == "5.2" && server && platform.find("\"R2\"") != std::string_view::npos) name += " R2";
      return name;
    }
  }
  const std::string suffix = ", build " + std::string(build);
  if (minorVersion == "10.0") {
    if (server) return "Windows Server" + suffix;
    return (number >= kFirstWindows11Build ? "Windows 11" : "Windows 10") + suffix;
  }
  return "Windows " + std::string(minorVersion) + suffix;
}

}  // namespace tarnwick::desk
