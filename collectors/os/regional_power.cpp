// Hibernation and the regional settings: section "SystemInfo".
#include "collectors/collectors.h"

namespace tarnwick {

void CollectRegionalAndPower(CollectorContext&) {}

}  // namespace tarnwick
