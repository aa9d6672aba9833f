// Broadcast tuning spaces: section "TuningSpaces".
#include "collectors/collectors.h"

namespace tarnwick {

void CollectTuningSpaces(CollectorContext&) {}

}  // namespace tarnwick
