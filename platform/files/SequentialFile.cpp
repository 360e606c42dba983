#include "platform/files/SequentialFile.h"

#include "platform/base/OsError.h"
#include "platform/base/ProgramFileSystem.h"
#include "platform/dao/DatabaseUse.h"

namespace tav {

SequentialFile SequentialFile::Open(const FileLocation& file, jet::OpenMode mode, bool emptyFirst) {
  const std::filesystem::path& host = file.host();
  auto opened = ProgramFileSystem().Open(host.string(), mode);
  if (!opened.ok()) throw FileError(opened.status(), host);
  // Keeps others out while the file is open, or refuses a file someone else uses.
  DatabaseClaim claim = ClaimOpenDatabase(**opened, host, jet::LockMode::kExclusive);
  if (!claim.lock) throw FileError(kErrPermissionDenied);
  return SequentialFile(std::move(opened).value(), host, std::move(claim.lock), emptyFirst);
}

SequentialFile SequentialFile::OpenRead(const FileLocation& file) {
  return Open(file, jet::OpenMode::kReadOnly, false);
}

SequentialFile SequentialFile::OpenWrite(const FileLocation& file) {
  return Open(file, jet::OpenMode::kReadWriteCreate, false);
}

SequentialFile SequentialFile::OpenOutput(const FileLocation& file) {
  return Open(file, jet::OpenMode::kReadWriteCreate, true);
}

void SequentialFile::EmptyIfDue() {
  if (!emptyFirst_) return;
  if (jet::Status emptied = file_->Truncate(0); !emptied.ok()) throw FileError(emptied, host_);
  emptyFirst_ = false;
}

void SequentialFile::Read(std::span<char> buffer) {
  jet::Status read =
      file_->ReadAt(position_, std::span<uint8_t>(reinterpret_cast<uint8_t*>(buffer.data()), buffer.size()));
  // The file layer reports a file that ends first as a short file (kCorrupt).
  if (!read.ok())
    throw read.kind() == jet::ErrorKind::kCorrupt ? FileError(kErrInputPastEnd) : FileError(read, host_);
  position_ += buffer.size();
}

void SequentialFile::Write(std::span<const char> buffer) {
  EmptyIfDue();
  jet::Status written = file_->WriteAt(
      position_, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(buffer.data()), buffer.size()));
  if (!written.ok()) throw FileError(written, host_);
  position_ += buffer.size();
}

void SequentialFile::Flush() {
  if (jet::Status synced = file_->Sync(); !synced.ok()) throw FileError(synced, host_);
}

void SequentialFile::Close() {
  if (!file_) return;
  struct Closing {
    SequentialFile& file;
    ~Closing() {
      file.file_.reset();
      file.lock_.reset();
    }
  } closing{*this};
  EmptyIfDue();
}

}  // namespace tav
