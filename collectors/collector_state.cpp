#include "collectors/collector_context.h"
#include "collectors/tuner/tuner_device_access.h"

namespace tarnwick {

CollectionState::CollectionState() = default;
CollectionState::~CollectionState() = default;

}  // namespace tarnwick
