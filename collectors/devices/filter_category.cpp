// The filters of one DirectShow device category: section "Filter Name".
#include "collectors/collectors.h"

namespace tarnwick {

void CollectFilterCategory(CollectorContext&, std::string_view, const Guid&) {}

}  // namespace tarnwick
