// The current user and whether it is an administrator: section "User Info".
#include "collectors/collectors.h"

namespace tarnwick {

void CollectUserAccount(CollectorContext&) {}

}  // namespace tarnwick
