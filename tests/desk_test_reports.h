// Small reports for the desk's tests: a clean Windows report that raises no
// finding, edited line by line into the cases of each check.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "desk/report.h"

namespace tarnwick::desk::testing {

// Lines joined with CR LF as the run writes them; "\n" inside stays LF.
inline constexpr std::string_view kCleanReport =
    "[Tool Version]\nTool Version=2.5\n\n"
    "[User Info]\nUser Name=Anna is Administrator\n\n"
    "[Windows OS]\nMinorVersion=5.1\nBuildVersion=2600\nPlatform=Microsoft Windows XP Professional \n"
    "ServicePack=Service Pack 3\nMCE OS=No\n\n\n"
    "[DirectX]\nDirectX Version=4.09.00.0904\nRelease Candidate=\n\n"
    "[Processor]\nProcessorName=AMD Sempron(tm) Processor 2800+\nMHz=1.761G\n\n"
    "[Memory]\nTotalPhys=1023\n\n"
    "[SystemInfo]\nCountryCode=49\nLocale=00000407\n\n"
    "[DeviceInfo]\nEmpia ID 3=USB\\VID_EB1A&PID_2861\nEmpia ID 3_ProviderName=Tarnwick\n"
    "Empia ID 3_DriverVersion=5.2.1.0\nEmpia ID 3_DriverDate=3-14-2008\n\n"
    "[System Device Info]\nSystem ID 3=USB\\VID_EB1A&PID_2861\nSystem ID 4=USB\\ROOT_HUB20\n"
    "[USBInfo]\nUSB TYPE=2.0\n\n"
    "[Empia Data]\nMCE Item=No\nVideo Standard=PAL\nReg-MCE=0\n"
    "[Application Info]\nPowerCinema Path=C:\\PowerCinema\\\nCyberlink PowerCinema Version =5.0.1 Date:01/02/08 10:00:00\n\n"
    "[Filter Name]\nVideo Capture Sources 0=USB 2861 Device\nDirectShow Filters 0=WMAudio Decoder DMO\n\n";

// The text with each "from" replaced by its "to" (every occurrence).
inline std::string Edited(std::string_view text, const std::vector<std::pair<std::string, std::string>>& edits) {
  std::string edited(text);
  for (const auto& [from, to] : edits) {
    for (std::size_t at = edited.find(from); at != std::string::npos; at = edited.find(from, at + to.size())) {
      edited.replace(at, from.size(), to);
    }
  }
  return edited;
}

inline std::string WithCrLf(std::string_view text) { return Edited(text, {{"\n", "\r\n"}}); }

inline Report MustRead(std::string bytes, bool lineEndsAsWritten = true, ReadOptions options = {}) {
  FoundReport found{.source = "test.ini", .mail = std::nullopt, .bytes = std::move(bytes), .lineEndsAsWritten = lineEndsAsWritten};
  auto report = ReadReport(found, options);
  if (!report) throw std::runtime_error("not a report");
  return std::move(*report);
}

}  // namespace tarnwick::desk::testing
