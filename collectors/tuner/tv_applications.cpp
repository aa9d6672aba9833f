// Installed TV applications and their files: section "Application Info".
#include "collectors/collectors.h"

namespace tarnwick {

void CollectTvApplications(CollectorContext&) {}

}  // namespace tarnwick
