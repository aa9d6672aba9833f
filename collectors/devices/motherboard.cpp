// System device drivers and the base board: section "MB Info".
#include "collectors/collectors.h"

namespace tarnwick {

void CollectMotherboard(CollectorContext&) {}

}  // namespace tarnwick
