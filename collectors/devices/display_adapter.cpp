// The display adapter driver and video BIOS: section "VGA".
#include "collectors/collectors.h"

namespace tarnwick {

void CollectDisplayAdapter(CollectorContext&) {}

}  // namespace tarnwick
