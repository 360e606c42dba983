#include "jet/io/TemporaryFile.h"

#include <unistd.h>

#include <filesystem>

#include "jet/io/Utf8Path.h"

namespace jet {

Result<std::unique_ptr<TemporaryFile>> TemporaryFile::CreateBeside(FileSystem& fs, const std::string& path,
                                                                   const std::string& purpose,
                                                                   uint32_t mode) {
  const std::filesystem::path original = PathOf(path);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = "." + Utf8Of(original.filename()) + "." + purpose + std::to_string(::getpid()) +
                             "-" + std::to_string(attempt);
    const std::string candidate = Utf8Of(original.parent_path() / PathOf(name));
    auto file = fs.CreateNew(candidate, mode);
    if (file.ok()) {
      return std::unique_ptr<TemporaryFile>(new TemporaryFile(fs, candidate, std::move(file).value()));
    }
    if (file.status().kind() != ErrorKind::kExists) return file.status();
  }
  return Status(ErrorKind::kExists, "no free name for a temporary file").AtFile(path);
}

TemporaryFile::~TemporaryFile() {
  file_.reset();
  if (!renamed_) (void)fs_.Remove(path_);
}

Status TemporaryFile::RenameOver(const std::string& target) {
  file_.reset();
  JET_RETURN_IF_ERROR(fs_.Rename(path_, target));
  renamed_ = true;
  return Status::Ok();
}

}  // namespace jet
