// The first wave output device: section "Audio".
#include "collectors/collectors.h"

namespace tarnwick {

void CollectAudioDevice(CollectorContext&) {}

}  // namespace tarnwick
