#include "collectors/tuner/tuner_device_access.h"

namespace tarnwick {
namespace {

constexpr std::string_view kDriverNames = "Software\\USB2800\\BDA";
constexpr std::string_view kDefaultFilterName = "USB 2880 Device";
constexpr std::size_t kDriverNameBuffer = 256;
// Friendly names are compared in a 260-byte record: a longer one is cut to
// its first 259 bytes before the comparison.
constexpr std::size_t kLongestSearchedName = 259;

constexpr std::int32_t kInvalidArgument = static_cast<std::int32_t>(0x80070057);  // E_INVALIDARG

// Device properties read at Open.
constexpr std::uint32_t kProperty1027 = 0x1027;
constexpr std::uint32_t kProperty1028 = 0x1028;
constexpr std::uint32_t kProperty101C = 0x101C;

}  // namespace

TunerDeviceAccess::TunerDeviceAccess(DirectShowDevices& devices, const RegistryAccess& registry, bool comInitialised)
    : devices_(devices), registry_(registry), comInitialised_(comInitialised) {}

std::string TunerDeviceAccess::ResolveFirstName() const {
  if (const RegistryKey key = registry_.Open(RegistryRoot::LocalMachine, kDriverNames, OpenAccess::Read)) {
    for (const std::string_view value : {"RealDSName", "DSName"}) {
      // An empty name would match every device's name; it counts as unread.
      const auto name = registry_.ReadText(key, value, kDriverNameBuffer);
      if (name && !name->empty()) return *name;
    }
  }
  return std::string(kDefaultFilterName);
}

std::unique_ptr<DeviceFilter> TunerDeviceAccess::FindFilterIn(const Guid& category, std::string_view name) {
  auto monikers = devices_.EnumerateCategory(category);
  lastStatus_ = monikers.Status();
  if (!monikers) return nullptr;
  for (int taken = 0; taken < kMostMonikersPerCategory; ++taken) {
    const auto moniker = (*monikers)->Next();
    if (!moniker) break;
    auto friendly = moniker->ReadFriendlyName();
    lastStatus_ = friendly.Status();
    if (!friendly) continue;
    if (friendly->size() > kLongestSearchedName) friendly->resize(kLongestSearchedName);
    // The driver appends an instance number to the names of further devices:
    // the searched name is a prefix, compared with letter case.
    if (!std::string_view(*friendly).starts_with(name)) continue;
    auto filter = moniker->BindToFilter();
    lastStatus_ = filter.Status();
    if (filter) return std::move(*filter);
  }
  return nullptr;
}

std::unique_ptr<DeviceFilter> TunerDeviceAccess::FindFilter(std::string_view name) {
  for (const Guid& category : kTunerCategories) {
    if (auto filter = FindFilterIn(category, name)) return filter;
  }
  return nullptr;
}

bool TunerDeviceAccess::Open() {
  // The resolved name is searched first, then the whole list, even when the
  // resolved name is on it.
  std::unique_ptr<DeviceFilter> filter = FindFilter(ResolveFirstName());
  for (std::size_t i = 0; !filter && i < kTunerFilterNames.size(); ++i) filter = FindFilter(kTunerFilterNames[i]);
  if (!filter) return false;

  // Only the first device found is asked for the interface.
  auto control = filter->QueryTunerBus();
  lastStatus_ = control.Status();
  filter.reset();
  if (!control || *control == nullptr) return false;
  control_ = std::move(*control);

  control_->GetProperty(kProperty1027, &info1027_);
  control_->GetProperty(kProperty1028, &info1028_);
  control_->GetProperty(kProperty101C, &info101C_);
  info101C_ &= 0xFF;
  return true;
}

std::int32_t TunerDeviceAccess::ReadBus(std::uint8_t device, std::uint8_t subAddress, std::uint8_t count,
                                        std::uint32_t& result) {
  // An earlier read's bytes never stay in the result.
  result = 0;
  if (!control_) return kNoTunerControl;
  // The driver writes count bytes into the buffer, which holds four.
  if (count > sizeof result) return lastStatus_ = kInvalidArgument;

  BusRequest record{0x01000000u + device * 0x10000u + subAddress * 0x100u + count, &result, 0};
  lastStatus_ = control_->SetProperty(kBusRequestProperty, &record);
  if (Succeeded(lastStatus_)) lastStatus_ = control_->GetProperty(kBusDataProperty, &result);
  if (!Succeeded(lastStatus_)) {
    // Cancels the pending request; its own status is not returned.
    record.request = 0;
    control_->SetProperty(kBusRequestProperty, &record);
  }
  return lastStatus_;
}

}  // namespace tarnwick
