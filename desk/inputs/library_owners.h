// Owners of the C libraries' handles the walk uses: GMime's objects, a
// libarchive reader. Each frees its handle when it
// goes, so no early return leaks one.
#pragma once

#include <archive.h>
#include <gmime/gmime.h>

#include <memory>

namespace tarnwick::desk {

struct GObjectUnref {
  void operator()(void* object) const {
    if (object != nullptr) g_object_unref(object);
  }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

struct GFree {
  void operator()(void* memory) const { g_free(memory); }
};
using GString = std::unique_ptr<char, GFree>;

struct ArchiveReadFree {
  void operator()(archive* reader) const { archive_read_free(reader); }
};
using ArchiveReader = std::unique_ptr<archive, ArchiveReadFree>;

// GMime's tables are set up once for the whole process.
void EnsureGMime();

}  // namespace tarnwick::desk
