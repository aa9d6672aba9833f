#include "platform/replay/machine_file.h"

#include "platform/replay/json_lines.h"
#include "platform/replay/machine_sections.h"
#include "platform/replay/windows_path.h"

namespace tarnwick {
namespace {

constexpr std::size_t kMaxPath = 259;            // a 260-character buffer with its zero
constexpr std::size_t kMaxServicePack = 127;     // szCSDVersion[128]
constexpr std::size_t kMaxUserName = 256;        // UNLEN
constexpr std::size_t kMaxComputerName = 15;     // MAX_COMPUTERNAME_LENGTH

// The code page comes first: every text of the file is converted to it.
std::shared_ptr<const CodePage> ReadCodePage(const JsonField& top) {
  if (!top.Raw().is_object()) top.Refuse("the machine description must be a JSON object");
  const auto field = top.Member("codePage");
  if (!field) return SharedWindows1252();
  const auto number = field->Number<std::uint32_t>();
  if (!IsAnsiCodePage(number)) field->Refuse("not a Windows ANSI code page: " + std::to_string(number));
  auto codePage = OpenCodePage(number);
  if (!codePage) field->Refuse("code page " + std::to_string(number) + " cannot be converted on this computer");
  return codePage;
}

std::string DirectoryPath(const JsonField& field) {
  std::string path = field.Text(kMaxPath);
  if (path.empty()) field.Refuse("empty path");
  if (path.back() == '\\') field.Refuse("a folder path must not end in a backslash");
  return path;
}

std::string ExecutablePath(const JsonField& field) {
  std::string path = field.Text(kMaxPath);
  // The harness creates the program's folder below OUT, so the path must
  // name a place on a drive and not climb out of it.
  if (!IsPlainDrivePath(path) || path.back() == '\\') {
    field.Refuse("expected a file path \"X:\\...\" without \".\" or \"..\" names");
  }
  return path;
}

void ReadTopLevel(const JsonField& top, MachineFacts& facts) {
  if (!top.Raw().is_object()) top.Refuse("the machine description must be a JSON object");
  WithMember(top, "computerName", [&](const JsonField& f) { facts.computerName = f.Text(kMaxComputerName); });
  WithMember(top, "executablePath", [&](const JsonField& f) { facts.executablePath = ExecutablePath(f); });
  WithMember(top, "windowsDirectory", [&](const JsonField& f) { facts.windowsDirectory = DirectoryPath(f); });
  WithMember(top, "systemDirectory", [&](const JsonField& f) { facts.systemDirectory = DirectoryPath(f); });
  WithMember(top, "version", [&](const JsonField& f) { facts.version = ReadVersionSection(f); });
  WithMember(top, "user", [&](const JsonField& f) { facts.user = ReadUserSection(f); });
  WithMember(top, "loadableLibraries", [&](const JsonField& f) {
    for (const JsonField& library : f.Elements()) facts.loadableLibraries.push_back(library.Text(kMaxPath));
  });
  WithMember(top, "memory", [&](const JsonField& f) { facts.memory = ReadMemorySection(f); });
  WithMember(top, "power", [&](const JsonField& f) { facts.power = ReadPowerSection(f); });
  // Read after the program's path, whose drive is the current one.
  WithMember(top, "files", [&](const JsonField& f) {
    facts.files = ReadFilesSection(f, CurrentDrive(facts.executablePath));
  });
  WithMember(top, "devices", [&](const JsonField& f) { facts.devices = ReadDevicesSection(f); });
  WithMember(top, "waveOut", [&](const JsonField& f) { facts.waveOut = ReadWaveOutSection(f); });
  WithMember(top, "wmi", [&](const JsonField& f) { facts.wmi = ReadWmiSection(f); });
  WithMember(top, "directShow", [&](const JsonField& f) { facts.directShow = ReadDirectShowSection(f); });
}

}  // namespace

VersionFacts ReadVersionSection(const JsonField& field) {
  VersionFacts version;
  VersionRecord& record = version.record;
  WithMember(field, "extended", [&](const JsonField& f) { version.extended = f.Bool(); });
  WithMember(field, "major", [&](const JsonField& f) { record.major = f.Number<std::uint32_t>(); });
  WithMember(field, "minor", [&](const JsonField& f) { record.minor = f.Number<std::uint32_t>(); });
  WithMember(field, "build", [&](const JsonField& f) { record.build = f.Number<std::uint32_t>(); });
  WithMember(field, "platformId", [&](const JsonField& f) { record.platformId = f.Number<std::uint32_t>(); });
  WithMember(field, "servicePack", [&](const JsonField& f) { record.servicePack = f.Text(kMaxServicePack); });
  WithMember(field, "suiteMask", [&](const JsonField& f) { record.suiteMask = f.Number<std::uint16_t>(); });
  WithMember(field, "productType", [&](const JsonField& f) { record.productType = f.Number<std::uint8_t>(); });
  WithMember(field, "architecture", [&](const JsonField& f) { version.architecture = f.Number<std::uint16_t>(); });
  WithMember(field, "serverR2", [&](const JsonField& f) { version.serverR2 = f.Bool(); });
  return version;
}

UserFacts ReadUserSection(const JsonField& field) {
  UserFacts user;
  WithMember(field, "name", [&](const JsonField& f) { user.name = f.Text(kMaxUserName); });
  WithMember(field, "groups", [&](const JsonField& f) {
    user.groups.emplace();
    for (const JsonField& group : f.Elements()) user.groups->push_back(group.Text(kMaxUserName));
  });
  return user;
}

MemoryStatus ReadMemorySection(const JsonField& field) {
  MemoryStatus memory;
  constexpr auto kAnyCount = std::numeric_limits<std::uint64_t>::max();
  WithMember(field, "load", [&](const JsonField& f) { memory.load = f.Number<std::uint32_t>(); });
  WithMember(field, "totalPhys", [&](const JsonField& f) { memory.totalPhys = f.Unsigned(kAnyCount); });
  WithMember(field, "availPhys", [&](const JsonField& f) { memory.availPhys = f.Unsigned(kAnyCount); });
  WithMember(field, "availVirtual", [&](const JsonField& f) { memory.availVirtual = f.Unsigned(kAnyCount); });
  return memory;
}

PowerCapabilities ReadPowerSection(const JsonField& field) {
  PowerCapabilities power;
  WithMember(field, "hiberFilePresent", [&](const JsonField& f) { power.hiberFilePresent = f.Bool(); });
  return power;
}

std::optional<LoadError> ReadMachineFile(std::string_view content, std::string_view fileName, MachineFacts& facts) {
  try {
    const LinedJson document = ParseJsonWithLines(content);
    MachineFacts read;
    read.codePage = ReadCodePage(JsonField(document));
    ReadTopLevel(JsonField(document, *read.codePage), read);
    facts = std::move(read);
  } catch (const LineError& error) {
    return LoadError{std::string(fileName), error.line, error.message};
  }
  return std::nullopt;
}

}  // namespace tarnwick
