// Access to the plugged-in tuner through its driver's private interface.
// Created by the tuner collector, released by the run right after it.
#pragma once

#include <memory>

#include "platform/tuner_bus.h"

namespace tarnwick {

class TunerDeviceAccess {
 public:
  // Releases the control interface if held.
  void Release() { control_.reset(); }
  bool HoldsControl() const { return control_ != nullptr; }

 private:
  std::unique_ptr<TunerBusControl> control_;
};

}  // namespace tarnwick
