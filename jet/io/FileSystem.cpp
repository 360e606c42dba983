#include "jet/io/FileSystem.h"

#include "jet/io/Utf8Path.h"

namespace jet {

std::string FolderOf(const std::string& path) {
  const std::string folder = Utf8Of(PathOf(path).parent_path());
  return folder.empty() ? "." : folder;
}

Result<std::unique_ptr<MemoryFile>> LoadIntoMemory(const std::string& path, FileSystem& fs) {
  JET_ASSIGN_OR_RETURN(std::unique_ptr<File> file, fs.Open(path, OpenMode::kReadOnly));
  JET_ASSIGN_OR_RETURN(uint64_t size, file->Size());
  std::vector<uint8_t> bytes(size);
  JET_RETURN_IF_ERROR(file->ReadAt(0, bytes));
  return std::make_unique<MemoryFile>(std::move(bytes), path);
}

}  // namespace jet
