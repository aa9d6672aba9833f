// Windows edition, version and service pack: section "Windows OS".
#include "collectors/collectors.h"

namespace tarnwick {

void CollectWindowsOs(CollectorContext&) {}

}  // namespace tarnwick
