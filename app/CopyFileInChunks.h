#pragma once
// Copies one file over another in 64000-byte blocks, optionally deleting the source.

#include <string>

namespace tav {

// Replaces the contents of `target` by those of `source` (both Windows paths). Any
// failure stops the copy at once and is thrown on as a VbError; the source is deleted
// only after a complete copy has reached the disk and only when `deleteSource` is true.
// Either file in use by another program (platform/dao/DatabaseUse.h) is refused with 70
// before anything is written.
void CopyFileInChunks(const std::string& source, const std::string& target, bool deleteSource);

}  // namespace tav
