// Settings read from the tuner device: section "Empia Data".
#include "collectors/collectors.h"

namespace tarnwick {

void CollectTunerSettings(CollectorContext&) {}

}  // namespace tarnwick
