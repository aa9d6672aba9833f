// The present Plug and Play devices of all classes through the Setup API.
#pragma once

#include "platform/device_list.h"

namespace tarnwick::win32 {

class Win32Devices final : public DeviceList {
 public:
  std::unique_ptr<DeviceSet> OpenPresentDevices() override;
};

}  // namespace tarnwick::win32
