#include "jet/io/FileSystem.h"

namespace jet {
namespace {

const char* CallName(FileCall call) {
  switch (call) {
    case FileCall::kOpen:
      return "open";
    case FileCall::kLock:
      return "lock";
    case FileCall::kCreate:
      return "create";
    case FileCall::kRename:
      return "rename";
    case FileCall::kRemove:
      return "remove";
    case FileCall::kSyncFolder:
      return "sync folder";
    case FileCall::kStat:
      return "stat";
    case FileCall::kList:
      return "list";
    case FileCall::kSetOwner:
      return "chown";
    case FileCall::kSetMode:
      return "chmod";
    case FileCall::kResolve:
      return "resolve";
    case FileCall::kRead:
      return "read";
    case FileCall::kWrite:
      return "write";
    case FileCall::kSize:
      return "size";
    case FileCall::kSync:
      return "sync";
    case FileCall::kTruncate:
      return "truncate";
    case FileCall::kFileLock:
      return "lock file";
    case FileCall::kFileStat:
      return "stat file";
  }
  return "?";
}

}  // namespace

std::string RecordedCall::ToString() const { return std::string(CallName(call)) + " " + path; }

Status SteppingFile::ReadAt(uint64_t offset, std::span<uint8_t> buffer) {
  JET_RETURN_IF_ERROR(steps_.Step(FileCall::kRead, Name()));
  return inner_->ReadAt(offset, buffer);
}

Status SteppingFile::WriteAt(uint64_t offset, std::span<const uint8_t> data) {
  JET_RETURN_IF_ERROR(steps_.Step(FileCall::kWrite, Name()));
  return inner_->WriteAt(offset, data);
}

Result<uint64_t> SteppingFile::Size() {
  JET_RETURN_IF_ERROR(steps_.Step(FileCall::kSize, Name()));
  return inner_->Size();
}

Status SteppingFile::Sync() {
  JET_RETURN_IF_ERROR(steps_.Step(FileCall::kSync, Name()));
  return inner_->Sync();
}

Status SteppingFile::Truncate(uint64_t size) {
  JET_RETURN_IF_ERROR(steps_.Step(FileCall::kTruncate, Name()));
  return inner_->Truncate(size);
}

Result<std::unique_ptr<FileLock>> SteppingFile::Lock(LockMode mode) {
  JET_RETURN_IF_ERROR(steps_.Step(FileCall::kFileLock, Name()));
  return inner_->Lock(mode);
}

Result<FileStat> SteppingFile::Stat() {
  JET_RETURN_IF_ERROR(steps_.Step(FileCall::kFileStat, Name()));
  return inner_->Stat();
}

Status FaultyFileSystem::Step(FileCall call, const std::string& path) {
  calls_.push_back({call, path});
  if (fault_.from && !armed_ && fault_.from(calls_.back())) armed_ = true;
  if (only_ && *only_ != call) return Status::Ok();
  const int64_t number = counted_++;
  if (fault_.from) {
    if (!armed_ || (failed_ && !fault_.lasting)) return Status::Ok();
  } else if (fail_at_ < 0 || number < fail_at_ || (number > fail_at_ && !fault_.lasting)) {
    return Status::Ok();
  }
  if (!failed_) failed_ = calls_.back();
  std::string what =
      "injected failure of call " + std::to_string(calls_.size() - 1) + ": " + calls_.back().ToString();
  if (fault_.cause == OsCause::kNoSpace) what += ": no space left on the disk";
  return IoError(what).WithCause(fault_.cause);
}

Result<std::unique_ptr<File>> FaultyFileSystem::Open(const std::string& path, OpenMode mode) {
  JET_RETURN_IF_ERROR(Step(mode == OpenMode::kCreateNew ? FileCall::kCreate : FileCall::kOpen, path));
  if (mode == OpenMode::kReadWriteExclusive) JET_RETURN_IF_ERROR(Step(FileCall::kLock, path));
  JET_ASSIGN_OR_RETURN(std::unique_ptr<File> file, inner_.Open(path, mode));
  return std::unique_ptr<File>(std::make_unique<SteppingFile>(std::move(file), *this));
}

Result<std::unique_ptr<File>> FaultyFileSystem::CreateNew(const std::string& path, uint32_t mode) {
  JET_RETURN_IF_ERROR(Step(FileCall::kCreate, path));
  JET_ASSIGN_OR_RETURN(std::unique_ptr<File> file, inner_.CreateNew(path, mode));
  return std::unique_ptr<File>(std::make_unique<SteppingFile>(std::move(file), *this));
}

Status FaultyFileSystem::Rename(const std::string& from, const std::string& to) {
  JET_RETURN_IF_ERROR(Step(FileCall::kRename, from));
  return inner_.Rename(from, to);
}

Status FaultyFileSystem::Remove(const std::string& path) {
  JET_RETURN_IF_ERROR(Step(FileCall::kRemove, path));
  return inner_.Remove(path);
}

Status FaultyFileSystem::SyncFolder(const std::string& folder) {
  JET_RETURN_IF_ERROR(Step(FileCall::kSyncFolder, folder));
  return inner_.SyncFolder(folder);
}

Result<FileStat> FaultyFileSystem::Stat(const std::string& path) {
  JET_RETURN_IF_ERROR(Step(FileCall::kStat, path));
  return inner_.Stat(path);
}

Result<std::vector<std::string>> FaultyFileSystem::List(const std::string& folder) {
  JET_RETURN_IF_ERROR(Step(FileCall::kList, folder));
  return inner_.List(folder);
}

Status FaultyFileSystem::SetOwner(const std::string& path, uint32_t owner, uint32_t group) {
  JET_RETURN_IF_ERROR(Step(FileCall::kSetOwner, path));
  return inner_.SetOwner(path, owner, group);
}

Status FaultyFileSystem::SetMode(const std::string& path, uint32_t mode) {
  JET_RETURN_IF_ERROR(Step(FileCall::kSetMode, path));
  return inner_.SetMode(path, mode);
}

Result<std::string> FaultyFileSystem::Resolve(const std::string& path) {
  JET_RETURN_IF_ERROR(Step(FileCall::kResolve, path));
  return inner_.Resolve(path);
}

}  // namespace jet
