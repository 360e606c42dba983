#include "jet/io/TemporaryFile.h"

#include <unistd.h>

#include <filesystem>

namespace jet {

namespace {

// ".<name of path>.<purpose>"; the process id, "-" and a number follow.
std::string Prefix(const std::filesystem::path& original, const std::string& purpose) {
  return "." + original.filename().string() + "." + purpose;
}

bool Digits(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

Result<std::unique_ptr<TemporaryFile>> TemporaryFile::CreateBeside(FileSystem& fs, const std::string& path,
                                                                   const std::string& purpose,
                                                                   uint32_t mode) {
  const std::filesystem::path original(path);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name =
        Prefix(original, purpose) + std::to_string(::getpid()) + "-" + std::to_string(attempt);
    const std::string candidate = (original.parent_path() / name).string();
    auto file = fs.CreateNew(candidate, mode);
    if (file.ok()) {
      return std::unique_ptr<TemporaryFile>(new TemporaryFile(fs, candidate, std::move(file).value()));
    }
    if (file.status().kind() != ErrorKind::kExists) return file.status();
  }
  return Status(ErrorKind::kExists, "no free name for a temporary file").AtFile(path);
}

Result<std::vector<std::string>> TemporaryFile::FoundBeside(FileSystem& fs, const std::string& path,
                                                            const std::string& purpose) {
  const std::filesystem::path original(path);
  const std::string prefix = Prefix(original, purpose);
  JET_ASSIGN_OR_RETURN(const std::vector<std::string> names, fs.List(FolderOf(path)));
  std::vector<std::string> found;
  for (const std::string& name : names) {
    if (name.rfind(prefix, 0) != 0) continue;
    const std::string rest = name.substr(prefix.size());
    const size_t dash = rest.find('-');
    if (dash == std::string::npos || !Digits(rest.substr(0, dash)) || !Digits(rest.substr(dash + 1)))
      continue;
    found.push_back((original.parent_path() / name).string());
  }
  return found;
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
