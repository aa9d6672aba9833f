// Known program files in the folders of the uninstall list.
#include "collectors/collectors.h"

namespace tarnwick {

void CollectInstalledProgramFiles(CollectorContext&) {}

}  // namespace tarnwick
