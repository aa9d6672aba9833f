// The device fields: Plug and Play devices, wave output, WMI base boards and
// DirectShow categories.
#include <cctype>

#include "platform/replay/machine_sections.h"

namespace tarnwick {
namespace {

constexpr std::size_t kMaxWaveName = 31;  // szPname[32]

HardwareIdRead ReadDevice(const JsonField& field) {
  if (field.Raw().is_array()) {
    std::vector<std::string> ids;
    for (const JsonField& id : field.Elements()) ids.push_back(id.Text());
    return ids;
  }
  const auto error = field.Raw().is_object() ? field.Member("error") : std::nullopt;
  if (!error) field.Refuse("expected a hardware-ID list or {\"error\": N}");
  const auto code = error->Number<std::uint32_t>();
  if (code == 0) error->Refuse("0 is no error");
  // The platform layer retries that error with a larger buffer, so no read
  // ends with it.
  if (code == kErrorInsufficientBuffer) error->Refuse("error 122 cannot end a read");
  return HardwareIdRead::Failure(code);
}

WaveDeviceFacts ReadWaveDevice(const JsonField& field) {
  WaveDeviceFacts device;
  WithMember(field, "capsFail", [&](const JsonField& f) { device.capsFail = f.Bool(); });
  WithMember(field, "name", [&](const JsonField& f) { device.caps.name = f.Text(kMaxWaveName); });
  WithMember(field, "manufacturerId", [&](const JsonField& f) { device.caps.manufacturerId = f.Number<std::uint16_t>(); });
  WithMember(field, "support", [&](const JsonField& f) { device.caps.support = f.Number<std::uint32_t>(); });
  return device;
}

// A text, {"i4": N}, {"i2": N}, a bool or null.
WmiValue ReadWmiValue(const JsonField& field) {
  const nlohmann::json& raw = field.Raw();
  if (raw.is_null()) return WmiNull{};
  if (raw.is_boolean()) return field.Bool();
  if (raw.is_string()) return field.Text();
  if (raw.is_object() && raw.size() == 1) {
    if (const auto i4 = field.Member("i4")) return WmiI4{i4->Number<std::int32_t>()};
    if (const auto i2 = field.Member("i2")) return WmiI2{i2->Number<std::int16_t>()};
  }
  field.Refuse("expected a text, {\"i4\": N}, {\"i2\": N}, true, false or null");
}

WmiObject ReadBaseBoard(const JsonField& field) {
  if (field.Raw().is_object()) {
    const auto namesFail = field.Member("namesFail");
    if (!namesFail || !namesFail->Bool()) field.Refuse("expected a list of [name, value] pairs or {\"namesFail\": true}");
    return WmiObject::FailureStatus(kComFailure);
  }
  std::vector<WmiProperty> properties;
  for (const JsonField& pair : field.Elements()) {
    const auto parts = pair.Elements();
    if (parts.size() != 2) pair.Refuse("expected a pair [name, value]");
    properties.push_back(WmiProperty{parts[0].Text(), ReadWmiValue(parts[1])});
  }
  return properties;
}

WmiFailure ReadFailAt(const JsonField& field) {
  const std::string step = field.Text();
  if (step == "security") return WmiFailure::Security;
  if (step == "locator") return WmiFailure::Locator;
  if (step == "connect") return WmiFailure::Connect;
  field.Refuse("expected \"security\", \"locator\" or \"connect\", found \"" + step + "\"");
}

// Hexadecimal bytes; blanks may part them, never split one.
std::vector<std::uint8_t> ReadEeprom(const JsonField& field) {
  const std::string text = field.Text();
  std::vector<std::uint8_t> bytes;
  std::size_t i = 0;
  while (i < text.size()) {
    if (std::isspace(static_cast<unsigned char>(text[i]))) {
      ++i;
      continue;
    }
    const bool pair = i + 1 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i])) &&
                      std::isxdigit(static_cast<unsigned char>(text[i + 1]));
    if (!pair) field.Refuse("expected pairs of hexadecimal digits, at character " + std::to_string(i + 1));
    bytes.push_back(static_cast<std::uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
    i += 2;
  }
  return bytes;
}

TunerBusFacts ReadTunerBus(const JsonField& field) {
  TunerBusFacts bus;
  WithMember(field, "eeprom", [&](const JsonField& f) { bus.eeprom = ReadEeprom(f); });
  WithMember(field, "failOffsets", [&](const JsonField& f) {
    for (const JsonField& offset : f.Elements()) bus.failOffsets.insert(offset.Number<std::uint8_t>());
  });
  return bus;
}

MonikerFacts ReadMoniker(const JsonField& field) {
  MonikerFacts moniker;
  WithMember(field, "friendlyName", [&](const JsonField& f) { moniker.friendlyName = f.Text(); });
  WithMember(field, "storageFails", [&](const JsonField& f) { moniker.storageFails = f.Bool(); });
  WithMember(field, "objectFails", [&](const JsonField& f) { moniker.objectFails = f.Bool(); });
  WithMember(field, "tunerBus", [&](const JsonField& f) { moniker.tunerBus = ReadTunerBus(f); });
  return moniker;
}

}  // namespace

std::vector<HardwareIdRead> ReadDevicesSection(const JsonField& field) {
  std::vector<HardwareIdRead> devices;
  for (const JsonField& device : field.Elements()) devices.push_back(ReadDevice(device));
  return devices;
}

std::vector<WaveDeviceFacts> ReadWaveOutSection(const JsonField& field) {
  std::vector<WaveDeviceFacts> devices;
  for (const JsonField& device : field.Elements()) devices.push_back(ReadWaveDevice(device));
  return devices;
}

WmiFacts ReadWmiSection(const JsonField& field) {
  WmiFacts wmi;
  WithMember(field, "failAt", [&](const JsonField& f) { wmi.failAt = ReadFailAt(f); });
  WithMember(field, "resultSet", [&](const JsonField& f) { wmi.resultSet = f.Bool(); });
  WithMember(field, "baseBoards", [&](const JsonField& f) {
    for (const JsonField& board : f.Elements()) wmi.baseBoards.push_back(ReadBaseBoard(board));
  });
  return wmi;
}

std::vector<CategoryFacts> ReadDirectShowSection(const JsonField& field) {
  std::vector<CategoryFacts> categories;
  std::vector<JsonField> keys;  // where each category was named
  for (const auto& [key, monikers] : field.Members()) {
    const auto guid = ParseGuid(key);
    if (!guid) monikers.Refuse("expected a category GUID \"{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}\"");
    for (std::size_t i = 0; i < categories.size(); ++i) {
      if (categories[i].category == *guid) {
        RefuseLaterOfTwo(keys[i], monikers, "names the same category as the key on line ");
      }
    }
    keys.push_back(monikers);
    CategoryFacts category{*guid, {}};
    for (const JsonField& moniker : monikers.Elements()) category.monikers.push_back(ReadMoniker(moniker));
    categories.push_back(std::move(category));
  }
  return categories;
}

}  // namespace tarnwick
