// The running step of the collection in plain words, for the waiting window:
// "Reading Plug and Play devices (212)".
#pragma once

#include <string>
#include <string_view>

#include "app/report_dialog.h"

namespace tarnwick {

// What a collector of the run reads; a collector not in the standard run is
// "Collecting".
std::string_view StepDescription(Collector collector);

// The filter category step: "Reading DirectShow filters: Video Capture Sources".
std::string CategoryStepDescription(std::string_view label);

// The step, with the number of entries it has written once there is one.
std::string StepProgressText(std::string_view step, int entriesWritten);

}  // namespace tarnwick
