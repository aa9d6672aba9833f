#include "platform/win32/win32_file_versions.h"

#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/win32_handles.h"

namespace tarnwick::win32 {
namespace {

// The whole version data block as GetFileVersionInfoA returns it; queries
// go through VerQueryValueA.
class Win32VersionBlock final : public VersionBlock {
 public:
  explicit Win32VersionBlock(std::vector<std::uint8_t> data) : data_(std::move(data)) {}

  std::optional<std::span<const std::uint8_t>> Query(std::string_view subBlock) const override {
    const std::string name(subBlock);
    void* value = nullptr;
    UINT length = 0;
    // VerQueryValueA takes a non-const block but only reads it.
    if (!::VerQueryValueA(const_cast<std::uint8_t*>(data_.data()), name.c_str(), &value, &length) || value == nullptr) {
      return std::nullopt;
    }
    const auto* begin = static_cast<const std::uint8_t*>(value);
    // The value lies inside the block; a length that would pass its end is cut there.
    if (begin < data_.data() || begin > data_.data() + data_.size()) return std::nullopt;
    const std::size_t available = static_cast<std::size_t>(data_.data() + data_.size() - begin);
    return std::span<const std::uint8_t>(begin, length < available ? length : available);
  }

 private:
  std::vector<std::uint8_t> data_;
};

}  // namespace

std::unique_ptr<VersionBlock> Win32FileVersions::LoadVersionBlock(std::string_view path) {
  const std::string name(path);
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeA(name.c_str(), &ignored);
  if (size == 0) return nullptr;
  std::vector<std::uint8_t> data(size);
  if (!::GetFileVersionInfoA(name.c_str(), 0, size, data.data())) return nullptr;
  return std::make_unique<Win32VersionBlock>(std::move(data));
}

std::optional<LocalTime> Win32FileVersions::LastWriteTime(std::string_view path) {
  WIN32_FIND_DATAA found{};
  const FindHandle search(::FindFirstFileA(std::string(path).c_str(), &found));
  if (!search) return std::nullopt;
  FILETIME local{};
  SYSTEMTIME time{};
  if (!::FileTimeToLocalFileTime(&found.ftLastWriteTime, &local) || !::FileTimeToSystemTime(&local, &time)) {
    return std::nullopt;
  }
  return LocalTime{time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond};
}

}  // namespace tarnwick::win32
