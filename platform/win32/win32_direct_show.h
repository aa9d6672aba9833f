// COM on the calling thread and the DirectShow system device enumerator,
// with the tuner driver's private interface behind the filters that offer it.
#pragma once

#include "platform/direct_show.h"

namespace tarnwick::win32 {

class Win32DirectShow final : public DirectShowDevices {
 public:
  std::int32_t ComInitialize() override;
  void ComUninitialize() override;
  Result<std::unique_ptr<MonikerEnumerator>> EnumerateCategory(const Guid& category) override;
};

}  // namespace tarnwick::win32
