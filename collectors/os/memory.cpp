// Physical and virtual memory: section "Memory".
#include "collectors/collectors.h"

namespace tarnwick {

void CollectMemory(CollectorContext&) {}

}  // namespace tarnwick
