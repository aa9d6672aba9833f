// Media Center encoder components: section "MCE Encoder Info".
#include "collectors/collectors.h"

namespace tarnwick {

void CollectMceEncoder(CollectorContext&) {}

}  // namespace tarnwick
