#include "jet/FileSystem.h"

namespace jet {
namespace {

// A file whose every operation is a step of its file system.
class SteppingFile : public File {
 public:
  SteppingFile(std::unique_ptr<File> inner, FaultyFileSystem& steps) : inner_(std::move(inner)), steps_(steps) {}
  Status ReadAt(uint64_t offset, std::span<uint8_t> buffer) override {
    JET_RETURN_IF_ERROR(steps_.Step("read " + Name()));
    return inner_->ReadAt(offset, buffer);
  }
  Status WriteAt(uint64_t offset, std::span<const uint8_t> data) override {
    JET_RETURN_IF_ERROR(steps_.Step("write " + Name()));
    return inner_->WriteAt(offset, data);
  }
  Result<uint64_t> Size() override { return inner_->Size(); }
  Status Sync() override {
    JET_RETURN_IF_ERROR(steps_.Step("sync " + Name()));
    return inner_->Sync();
  }
  Status Truncate(uint64_t size) override {
    JET_RETURN_IF_ERROR(steps_.Step("truncate " + Name()));
    return inner_->Truncate(size);
  }
  std::string Name() const override { return inner_->Name(); }

 private:
  std::unique_ptr<File> inner_;
  FaultyFileSystem& steps_;
};

}  // namespace

Status FaultyFileSystem::Step(const std::string& what) {
  const int64_t number = static_cast<int64_t>(log_.size());
  log_.push_back(what);
  if (number == fail_at_) return IoError("injected failure of step " + std::to_string(number) + ": " + what);
  return Status::Ok();
}

Result<std::unique_ptr<File>> FaultyFileSystem::Open(const std::string& path, OpenMode mode) {
  JET_RETURN_IF_ERROR(Step("open " + path));
  JET_ASSIGN_OR_RETURN(std::unique_ptr<File> file, inner_.Open(path, mode));
  return std::unique_ptr<File>(std::make_unique<SteppingFile>(std::move(file), *this));
}

Result<std::unique_ptr<File>> FaultyFileSystem::CreateNew(const std::string& path, uint32_t mode) {
  JET_RETURN_IF_ERROR(Step("create " + path));
  JET_ASSIGN_OR_RETURN(std::unique_ptr<File> file, inner_.CreateNew(path, mode));
  return std::unique_ptr<File>(std::make_unique<SteppingFile>(std::move(file), *this));
}

Status FaultyFileSystem::Rename(const std::string& from, const std::string& to) {
  JET_RETURN_IF_ERROR(Step("rename " + from + " to " + to));
  return inner_.Rename(from, to);
}

Status FaultyFileSystem::Remove(const std::string& path) {
  JET_RETURN_IF_ERROR(Step("remove " + path));
  return inner_.Remove(path);
}

Status FaultyFileSystem::SyncFolder(const std::string& folder) {
  JET_RETURN_IF_ERROR(Step("sync folder " + folder));
  return inner_.SyncFolder(folder);
}

Result<FileStat> FaultyFileSystem::Stat(const std::string& path) {
  JET_RETURN_IF_ERROR(Step("stat " + path));
  return inner_.Stat(path);
}

Status FaultyFileSystem::SetOwner(const std::string& path, uint32_t owner, uint32_t group) {
  JET_RETURN_IF_ERROR(Step("chown " + path));
  return inner_.SetOwner(path, owner, group);
}

Status FaultyFileSystem::SetMode(const std::string& path, uint32_t mode) {
  JET_RETURN_IF_ERROR(Step("chmod " + path));
  return inner_.SetMode(path, mode);
}

Result<std::string> FaultyFileSystem::Resolve(const std::string& path) {
  JET_RETURN_IF_ERROR(Step("resolve " + path));
  return inner_.Resolve(path);
}

}  // namespace jet
