// What a machine description says beyond its registry, in the platform's own
// records. Texts are 8-bit, in the code page.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/code_page.h"
#include "platform/device_list.h"
#include "platform/file_versions.h"
#include "platform/guid.h"
#include "platform/memory_power.h"
#include "platform/system_facts.h"
#include "platform/wave_output.h"
#include "platform/wmi_board.h"

namespace tarnwick {

inline constexpr std::string_view kDefaultExecutablePath = "C:\\Tarnwick\\Tarnwick.exe";
inline constexpr std::uint32_t kFixedFileInfoSignature = 0xFEEF04BD;

struct VersionFacts {
  bool extended = true;  // false: only the plain query answers
  VersionRecord record;
  std::uint16_t architecture = 0;
  bool serverR2 = false;
};

struct UserFacts {
  std::optional<std::string> name;
  std::optional<std::vector<std::string>> groups;
};

struct FileFacts {
  std::optional<std::array<std::uint16_t, 4>> version;  // nothing: no version resource
  bool translation = true;
  std::uint32_t signature = kFixedFileInfoSignature;
  std::optional<LocalTime> modified;
};

struct WaveDeviceFacts {
  bool capsFail = false;
  WaveOutCaps caps;
};

struct WmiFacts {
  WmiFailure failAt = WmiFailure::None;
  bool resultSet = true;
  std::vector<WmiObject> baseBoards;  // an object that cannot list its names fails with E_FAIL
};

struct TunerBusFacts {
  std::vector<std::uint8_t> eeprom;     // configuration memory from offset 0
  std::set<std::uint8_t> failOffsets;   // sub-addresses whose reads fail
};

struct MonikerFacts {
  std::optional<std::string> friendlyName;
  bool storageFails = false;
  bool objectFails = false;
  std::optional<TunerBusFacts> tunerBus;
};

struct CategoryFacts {
  Guid category;
  std::vector<MonikerFacts> monikers;
};

struct MachineFacts {
  // The computer's ANSI code page; every text here is already in it.
  std::shared_ptr<const CodePage> codePage = SharedWindows1252();
  std::optional<std::string> computerName;
  std::string executablePath{kDefaultExecutablePath};
  std::optional<std::string> windowsDirectory;
  std::optional<std::string> systemDirectory;
  std::optional<VersionFacts> version;
  UserFacts user;
  std::vector<std::string> loadableLibraries;
  std::optional<MemoryStatus> memory;
  std::optional<PowerCapabilities> power;
  std::map<std::string, FileFacts> files;  // by WindowsPathKey
  std::optional<std::vector<HardwareIdRead>> devices;
  std::vector<WaveDeviceFacts> waveOut;
  std::optional<WmiFacts> wmi;
  std::vector<CategoryFacts> directShow;
};

}  // namespace tarnwick
