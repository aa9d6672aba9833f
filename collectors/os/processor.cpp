// The first processor and whether a second one exists: section "Processor".
#include "collectors/collectors.h"

namespace tarnwick {

void CollectProcessor(CollectorContext&) {}

}  // namespace tarnwick
