#pragma once
// An open file of the engine's file layer (FileSystem.h). Everything in jet/ reads and
// writes through a File, so tests can substitute an in-memory file or one that fails on
// purpose.
//
// A file on disk can also be locked (FileLock.h) and asked who else locks it and what it is;
// the others answer those questions with kUnsupported and kNone.
//
// Implementations:
//   a file on disk  from FileSystem::Open or CreateNew (PosixFile.cpp)
//   MemoryFile      a growable byte buffer
//   FaultyFile      wraps another File and starts failing after a budget of bytes or writes
//   BorrowedFile, CountingFile  pass calls on to another File

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "jet/base/Status.h"
#include "jet/io/FileLock.h"

namespace jet {

enum class FileKind { kFile, kFolder, kOther };

// What the file system says of a file: its permission bits and owner, its kind, its size and
// its identity (two names with the same device and inode are one file).
struct FileStat {
  uint32_t mode = 0;  // permission bits (07777)
  uint32_t owner = 0;
  uint32_t group = 0;
  FileKind kind = FileKind::kFile;
  uint64_t size = 0;
  uint64_t device = 0;
  uint64_t inode = 0;

  bool SameFile(const FileStat& other) const { return device == other.device && inode == other.inode; }
};

class File {
 public:
  virtual ~File() = default;

  // Reads exactly buffer.size() bytes at `offset`. Reading past the end is an error
  // (kCorrupt: the file is shorter than its structures say), never a short read.
  virtual Status ReadAt(uint64_t offset, std::span<uint8_t> buffer) = 0;
  // Writes all of `data` at `offset`, growing the file when needed.
  virtual Status WriteAt(uint64_t offset, std::span<const uint8_t> data) = 0;
  virtual Result<uint64_t> Size() = 0;
  // Makes written data durable.
  virtual Status Sync() = 0;
  virtual Status Truncate(uint64_t size) = 0;
  // A name for error messages (the path for a real file).
  virtual std::string Name() const = 0;

  // Takes a lock of `mode` on this file without waiting (FileLock.h: kInUse when a lock of
  // this process or of another program stands in the way); the lock may outlive the File.
  virtual Result<std::unique_ptr<FileLock>> Lock(LockMode mode);
  // The locks that other programs keep on this file (FileLock.h: LockedByOthers).
  virtual ForeignLock ForeignLocks() { return ForeignLock::kNone; }
  // What the file system says of this open file.
  virtual Result<FileStat> Stat();
};

enum class OpenMode {
  kReadOnly,
  kReadWrite,
  kCreateNew,           // create; fails with kExists when the file is already there
  kReadWriteExclusive,  // read-write, holding an exclusive lock; kInUse when someone holds one
  kReadWriteCreate,     // read-write, created (mode 0666 less the process's mask) when missing
};

// A file held in memory; copyable contents for inspection by tests.
class MemoryFile : public File {
 public:
  MemoryFile() = default;
  explicit MemoryFile(std::vector<uint8_t> bytes, std::string name = "memory")
      : bytes_(std::move(bytes)), name_(std::move(name)) {}

  Status ReadAt(uint64_t offset, std::span<uint8_t> buffer) override;
  Status WriteAt(uint64_t offset, std::span<const uint8_t> data) override;
  Result<uint64_t> Size() override { return static_cast<uint64_t>(bytes_.size()); }
  Status Sync() override { return Status::Ok(); }
  Status Truncate(uint64_t size) override;
  std::string Name() const override { return name_; }

  const std::vector<uint8_t>& bytes() const { return bytes_; }
  std::vector<uint8_t>& bytes() { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
  std::string name_ = "memory";
};

// Passes calls to `inner` until a budget runs out, then fails every later call with kIo.
// A negative budget means unlimited. Counts only successful calls.
class FaultyFile : public File {
 public:
  struct Budget {
    int64_t read_bytes = -1;   // bytes that may still be read
    int64_t write_bytes = -1;  // bytes that may still be written
    int64_t writes = -1;       // WriteAt calls that may still succeed
    bool fail_sync = false;
  };
  FaultyFile(std::unique_ptr<File> inner, Budget budget) : inner_(std::move(inner)), budget_(budget) {}

  Status ReadAt(uint64_t offset, std::span<uint8_t> buffer) override;
  Status WriteAt(uint64_t offset, std::span<const uint8_t> data) override;
  Result<uint64_t> Size() override { return inner_->Size(); }
  Status Sync() override;
  Status Truncate(uint64_t size) override { return inner_->Truncate(size); }
  std::string Name() const override { return inner_->Name(); }

  File& inner() { return *inner_; }
  // Number of ReadAt calls that reached the inner file.
  uint64_t reads() const { return reads_; }

 private:
  std::unique_ptr<File> inner_;
  Budget budget_;
  uint64_t reads_ = 0;
};

// Lends a file to an owner (a Database) without giving it away, so that it can be opened
// afresh while the file, and any lock on it, stays held. `inner` must outlive it.
class BorrowedFile : public File {
 public:
  explicit BorrowedFile(File& inner) : inner_(inner) {}
  Status ReadAt(uint64_t offset, std::span<uint8_t> buffer) override { return inner_.ReadAt(offset, buffer); }
  Status WriteAt(uint64_t offset, std::span<const uint8_t> data) override {
    return inner_.WriteAt(offset, data);
  }
  Result<uint64_t> Size() override { return inner_.Size(); }
  Status Sync() override { return inner_.Sync(); }
  Status Truncate(uint64_t size) override { return inner_.Truncate(size); }
  std::string Name() const override { return inner_.Name(); }

 private:
  File& inner_;
};

// Passes calls on to `inner` (which must outlive it) and keeps the first failure of the disk
// (kIo), for callers such as the structural check that turn a failed read into a finding:
// they ask afterwards whether the disk, not the file, was at fault.
class IoFailureRecorder : public File {
 public:
  explicit IoFailureRecorder(File& inner) : inner_(inner) {}
  Status ReadAt(uint64_t offset, std::span<uint8_t> buffer) override {
    return Keep(inner_.ReadAt(offset, buffer));
  }
  Status WriteAt(uint64_t offset, std::span<const uint8_t> data) override {
    return Keep(inner_.WriteAt(offset, data));
  }
  Result<uint64_t> Size() override {
    Result<uint64_t> size = inner_.Size();
    if (!size.ok()) Keep(size.status());
    return size;
  }
  Status Sync() override { return Keep(inner_.Sync()); }
  Status Truncate(uint64_t size) override { return Keep(inner_.Truncate(size)); }
  std::string Name() const override { return inner_.Name(); }

  // The first kIo failure; Ok when there was none.
  const Status& failure() const { return failure_; }

 private:
  Status Keep(Status status) {
    if (!status.ok() && status.kind() == ErrorKind::kIo && failure_.ok()) failure_ = status;
    return status;
  }

  File& inner_;
  Status failure_;
};

// Counts reads, for checking that an operation touches only a bounded number of pages.
class CountingFile : public File {
 public:
  explicit CountingFile(std::unique_ptr<File> inner) : inner_(std::move(inner)) {}
  Status ReadAt(uint64_t offset, std::span<uint8_t> buffer) override {
    ++reads_;
    bytes_read_ += buffer.size();
    return inner_->ReadAt(offset, buffer);
  }
  Status WriteAt(uint64_t offset, std::span<const uint8_t> data) override {
    return inner_->WriteAt(offset, data);
  }
  Result<uint64_t> Size() override { return inner_->Size(); }
  Status Sync() override { return inner_->Sync(); }
  Status Truncate(uint64_t size) override { return inner_->Truncate(size); }
  std::string Name() const override { return inner_->Name(); }

  uint64_t reads() const { return reads_; }
  uint64_t bytes_read() const { return bytes_read_; }

 private:
  std::unique_ptr<File> inner_;
  uint64_t reads_ = 0;
  uint64_t bytes_read_ = 0;
};

}  // namespace jet
