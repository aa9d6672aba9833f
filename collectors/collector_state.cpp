#include "collectors/collector_context.h"
#include "collectors/tuner/file_version_reader.h"
#include "collectors/tuner/tuner_device_access.h"

namespace tarnwick {

CollectionState::CollectionState() = default;
CollectionState::~CollectionState() = default;

FileVersionReader& CollectionState::FileReader(FileVersions& source) {
  if (!fileReader) fileReader = std::make_unique<FileVersionReader>(source);
  return *fileReader;
}

}  // namespace tarnwick
