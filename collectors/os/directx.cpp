// The installed DirectX version: section "DirectX".
#include "collectors/collectors.h"

namespace tarnwick {

void CollectDirectX(CollectorContext&) {}

}  // namespace tarnwick
