#include "platform/win32/win32_devices.h"

#include <windows.h>
#include <setupapi.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "platform/win32/win32_handles.h"

namespace tarnwick::win32 {
namespace {

constexpr DWORD kInitialBuffer = 256;
// The size asked for can change between two reads; a few rounds settle it.
constexpr int kReadAttempts = 4;

// The texts of a list of zero-terminated texts, up to the empty text that
// ends it or the end of the bytes read.
std::vector<std::string> SplitTextList(const std::vector<BYTE>& buffer, std::size_t size) {
  std::vector<std::string> texts;
  const char* const data = reinterpret_cast<const char*>(buffer.data());
  std::size_t start = 0;
  while (start < size) {
    const char* const end = std::find(data + start, data + size, '\0');
    if (end == data + start) break;
    texts.emplace_back(data + start, end);
    start = static_cast<std::size_t>(end - data) + 1;
  }
  return texts;
}

class Win32DeviceSet final : public DeviceSet {
 public:
  explicit Win32DeviceSet(DeviceInfoSet set) : set_(std::move(set)), buffer_(kInitialBuffer, 0) {}

  bool HasDevice(std::uint32_t index) override { return Enumerate(index); }

  HardwareIdRead ReadHardwareIds(std::uint32_t index) override {
    if (!Enumerate(index)) return HardwareIdRead::Failure(::GetLastError());
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
      DWORD required = static_cast<DWORD>(buffer_.size());
      if (::SetupDiGetDeviceRegistryPropertyA(set_.Get(), &record_, SPDRP_HARDWAREID, nullptr, buffer_.data(),
                                              static_cast<DWORD>(buffer_.size()), &required)) {
        return SplitTextList(buffer_, std::min<std::size_t>(required, buffer_.size()));
      }
      const DWORD error = ::GetLastError();
      if (error != ERROR_INSUFFICIENT_BUFFER) return HardwareIdRead::Failure(error);
      // A driver that asks for no more room than it had gets twice as much.
      if (required <= buffer_.size()) required = static_cast<DWORD>(buffer_.size() * 2);
      // A size beyond the bound is never allocated: the read fails as asked.
      if (required > kMaxHardwareIdBuffer) break;
      // The larger buffer stays for the devices that follow.
      buffer_.assign(required, 0);
    }
    return HardwareIdRead::Failure(ERROR_INSUFFICIENT_BUFFER);
  }

 private:
  // Fills record_ with the device at index; false past the last device.
  bool Enumerate(std::uint32_t index) {
    if (recordIndex_ == index) return true;
    recordIndex_.reset();
    record_ = SP_DEVINFO_DATA{};
    record_.cbSize = sizeof record_;
    if (!::SetupDiEnumDeviceInfo(set_.Get(), index, &record_)) return false;
    recordIndex_ = index;
    return true;
  }

  DeviceInfoSet set_;
  std::vector<BYTE> buffer_;
  SP_DEVINFO_DATA record_{};
  std::optional<std::uint32_t> recordIndex_;
};

}  // namespace

std::unique_ptr<DeviceSet> Win32Devices::OpenPresentDevices() {
  DeviceInfoSet set(::SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES));
  if (!set) return nullptr;
  return std::make_unique<Win32DeviceSet>(std::move(set));
}

}  // namespace tarnwick::win32
