#pragma once
// Copies one file over another in 64000-byte blocks, optionally deleting the source.

#include "platform/host/FileLocation.h"

namespace tav {

// How far a copy got, for a caller that must know what a failed copy left of the target.
struct CopyProgress {
  // The target has been granted for output: from here on it may be emptied or partly
  // written. False when the copy stopped before anything of the target was changed.
  bool targetChanged = false;
  // The target holds all of the source's bytes and they are on the disk.
  bool targetComplete = false;
};

// Replaces the contents of `target` by those of `source`. Any failure stops the copy at once
// and is thrown on as a VbError; the source is deleted only after a complete copy has
// reached the disk and only when `deleteSource` is true. Either file in use by another
// program (platform/dao/DatabaseUse.h) is refused with 70 before anything is written.
// `progress`, when given, says how far the copy got.
void CopyFileInChunks(const FileLocation& source, const FileLocation& target, bool deleteSource,
                      CopyProgress* progress = nullptr);

}  // namespace tav
