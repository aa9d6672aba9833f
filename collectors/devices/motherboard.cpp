// System device drivers and the base board: section "MB Info".
#include <cstdio>
#include <string>
#include <string_view>
#include <variant>

#include "collectors/collectors.h"
#include "platform/text.h"

namespace tarnwick {
namespace {

constexpr std::string_view kSystemClassKey =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E97D-E325-11CE-BFC1-08002BE10318}";
constexpr std::uint32_t kMaxSystemDrivers = 100;
// Property names and texts are converted into 260-byte buffers.
constexpr std::size_t kMaxWmiText = 259;

// Properties every base board carries that say nothing about the board.
constexpr std::string_view kLeftOut[] = {"Caption", "CreationClassName"};

std::string StatusText(std::int32_t status) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(status));
  return text;
}

// Pass 1: the drivers of the System devices class, a driver left out when it
// repeats the one right before it.
void ListSystemDrivers(CollectorContext& context) {
  const RegistryAccess& registry = context.registry;
  std::string previous;
  for (std::uint32_t index = 0; index < kMaxSystemDrivers; ++index) {
    std::optional<std::string> name;
    {
      const RegistryKey classKey = registry.Open(RegistryRoot::LocalMachine, kSystemClassKey);
      if (!classKey) continue;
      name = registry.SubkeyName(classKey, index);
    }
    if (!name) break;
    const std::string path = std::string(kSystemClassKey) + "\\" + *name;
    std::string value = registry.ReadKeyText(RegistryRoot::LocalMachine, path, "DriverDesc");
    value += "========";
    value += registry.ReadKeyText(RegistryRoot::LocalMachine, path, "DriverDate");
    if (!EqualsIgnoreAsciiCase(value, previous)) {
      context.report.AddReportEntry("MB Info", "DriverDesc" + std::to_string(index), value);
    }
    previous = std::move(value);
  }
  context.report.AppendGroupSeparator();
}

std::string_view CutText(std::string_view text) { return text.substr(0, kMaxWmiText); }

bool IsLeftOut(std::string_view name) {
  for (const std::string_view leftOut : kLeftOut) {
    if (EqualsIgnoreAsciiCase(name, leftOut)) return true;
  }
  return false;
}

// Texts become entries; numbers and booleans are only echoed.
void ReportProperty(CollectorContext& context, const WmiProperty& property) {
  const std::string_view name = CutText(property.name);
  std::visit(
      [&](const auto& value) {
        using Value = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<Value, std::string>) {
          if (!IsLeftOut(name)) context.report.AddReportEntry("MB Info", name, CutText(value));
        } else if constexpr (std::is_same_v<Value, WmiI2> || std::is_same_v<Value, WmiI4>) {
          context.diagnostics << value.value << '\n';
        } else if constexpr (std::is_same_v<Value, bool>) {
          context.diagnostics << (value ? "TRUE" : "FALSE") << '\n';
        }
      },
      property.value);
}

const char* FailedStep(WmiFailure failure) {
  switch (failure) {
    case WmiFailure::Security:
      return "COM security could not be set";
    case WmiFailure::Locator:
      return "no WMI locator";
    case WmiFailure::Connect:
      return "no connection to root\\cimv2";
    case WmiFailure::None:
      break;
  }
  return "";
}

// Pass 2: the text properties of every Win32_BaseBoard object.
void ListBaseBoards(CollectorContext& context) {
  const WmiBoardQuery query = context.platform.wmi.QueryBaseBoards();
  if (query.failure != WmiFailure::None) {
    // The group stays open: nothing of this pass is written.
    context.diagnostics << "MB Info: " << FailedStep(query.failure) << " (" << StatusText(query.status) << ")\n";
    return;
  }
  if (!query.resultSet) context.diagnostics << "MB Info: no base board list (" << StatusText(query.status) << ")\n";
  for (const WmiObject& object : query.objects) {
    if (!object) {
      context.diagnostics << "MB Info: property names not available (" << StatusText(object.Status()) << ")\n";
      continue;
    }
    for (const WmiProperty& property : *object) ReportProperty(context, property);
  }
  // A service that stops answering, or fails, ends the list as its end would.
  if (query.walkEnd == kWbemTimedOut) {
    context.diagnostics << "MB Info: WMI gave no further base board in time\n";
  } else if (query.walkEnd != kWbemEndOfSet) {
    context.diagnostics << "MB Info: base board list ended early (" << StatusText(query.walkEnd) << ")\n";
  }
  context.report.AppendGroupSeparator();
}

}  // namespace

void CollectMotherboard(CollectorContext& context) {
  ListSystemDrivers(context);
  ListBaseBoards(context);
}

}  // namespace tarnwick
