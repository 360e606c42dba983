#pragma once
// The engine's file layer, and the program's: everything either does to the file system goes
// through a FileSystem (opening and creating files, temporary files beside a database,
// listing a folder, renaming and removing, locks, flushing a folder, a file's mode and
// owner), and every byte it reads or writes through the File that Open or CreateNew
// returned. Only SystemFileSystem() touches the disk; tests put a FaultyFileSystem in its
// place to make any one call fail, a CrashingFileSystem (CrashingFileSystem.h) to cut the
// power at any call, or a MemoryFile where a single file is enough.
//
// Paths are UTF-8. On Windows they are Windows paths (drive letters, either slash), used
// through the wide calls of the API.
//
// The lock taken here is the one lock family of the program (jet/io/FileLock.h), shared
// with the platform layer and jettool.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "jet/base/Status.h"
#include "jet/io/File.h"

namespace jet {

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Opens `path`. kCreateNew creates it with mode 0644 (less the process's mask);
  // kReadWriteExclusive holds the program's exclusive lock (FileLock.h) while it is open.
  // On Windows every other open shares reading, writing and deleting with other programs,
  // and is refused (kInUse) only where another program's share mode forbids it.
  // Errors: kNotFound (also for a folder), kExists, kInUse (locked), kIo.
  virtual Result<std::unique_ptr<File>> Open(const std::string& path, OpenMode mode) = 0;
  // Creates `path` for reading and writing with permission bits `mode` (less the process's
  // mask), never through an existing file or link: kExists when the name is taken. On
  // Windows only the owner's write bit counts: without it the file is made read-only.
  virtual Result<std::unique_ptr<File>> CreateNew(const std::string& path, uint32_t mode) = 0;
  // Replaces `to` by `from` in one step. Windows replaces no file that anyone has open, so
  // there this process first closes what it has open of `to` (Files still open on it fail
  // every later call, and its locks on it keep nothing); when another program has `to`
  // open, the rename fails (kIo) and `to` stays as it was.
  virtual Status Rename(const std::string& from, const std::string& to) = 0;
  // Removes the file `path`. On Windows, as for Rename, this process first closes what it
  // has open of it (its Files fail every later call, its locks keep nothing).
  virtual Status Remove(const std::string& path) = 0;
  // Makes the folder's entries (creations, renames and removals in it) durable.
  virtual Status SyncFolder(const std::string& folder) = 0;
  // What the file system says of `path`, following links. kNotFound when nothing is there.
  // On Windows a file has no numeric owner: Stat gives owner and group 0 and a mode of 0444,
  // or 0666 unless the file is read-only, the volume's serial number as the device and the
  // file's index as the inode; SetOwner changes nothing; SetMode makes the file read-only
  // when the owner's write bit is clear.
  virtual Result<FileStat> Stat(const std::string& path) = 0;
  // The names in `folder`, without "." and "..", in no particular order.
  virtual Result<std::vector<std::string>> List(const std::string& folder) = 0;
  virtual Status SetOwner(const std::string& path, uint32_t owner, uint32_t group) = 0;
  virtual Status SetMode(const std::string& path, uint32_t mode) = 0;
  // The path with every symbolic link in it resolved.
  virtual Result<std::string> Resolve(const std::string& path) = 0;
};

// The operating system's file system: the POSIX one (PosixFile.cpp) or the Windows one
// (WindowsFile.cpp), whichever the build compiled in (jet/CMakeLists.txt).
FileSystem& SystemFileSystem();
// The same on POSIX systems, by its older name; not on Windows.
FileSystem& PosixFileSystem();

// The folder `path` is in; "." for a bare name.
std::string FolderOf(const std::string& path);

// Loads a whole file into a MemoryFile.
Result<std::unique_ptr<MemoryFile>> LoadIntoMemory(const std::string& path,
                                                   FileSystem& fs = SystemFileSystem());

// The calls of the file layer, as a FaultyFileSystem counts them.
enum class FileCall {
  kOpen,
  kLock,
  kCreate,
  kRename,
  kRemove,
  kSyncFolder,
  kStat,
  kList,
  kSetOwner,
  kSetMode,
  kResolve,
  // calls on a file it opened or created
  kRead,
  kWrite,
  kSize,
  kSync,
  kTruncate,
  kFileLock,
  kFileStat,
};

struct RecordedCall {
  FileCall call;
  std::string path;  // for kRename the name it goes by before the rename
  std::string ToString() const;
};

// A file that passes every call to `inner`, each first a step of `steps` (which must
// outlive it). FaultyFileSystem and CrashingFileSystem hand these out.
class SteppingFile : public File {
 public:
  class Steps {
   public:
    virtual ~Steps() = default;
    virtual Status Step(FileCall call, const std::string& path) = 0;
  };
  SteppingFile(std::unique_ptr<File> inner, Steps& steps) : inner_(std::move(inner)), steps_(steps) {}

  Status ReadAt(uint64_t offset, std::span<uint8_t> buffer) override;
  Status WriteAt(uint64_t offset, std::span<const uint8_t> data) override;
  Result<uint64_t> Size() override;
  Status Sync() override;
  Status Truncate(uint64_t size) override;
  std::string Name() const override { return inner_->Name(); }
  Result<std::unique_ptr<FileLock>> Lock(LockMode mode) override;
  ForeignLock ForeignLocks() override { return inner_->ForeignLocks(); }
  Result<FileStat> Stat() override;

  File& inner() { return *inner_; }

 private:
  std::unique_ptr<File> inner_;
  Steps& steps_;
};

// How a FaultyFileSystem fails.
struct Fault {
  // Every counted call from the failing one on fails too, as a full disk stays full.
  bool lasting = false;
  // What the system is made to say: a failing device, a full disk (kNoSpace), ...
  OsCause cause = OsCause::kDevice;
  // When set, the failing call is not the one numbered fail_at but the first counted call
  // from the one this accepts on; it is asked about every call, in order, until it accepts.
  std::function<bool(const RecordedCall&)> from;
};

// Passes every call to `inner` and records it, and fails one with kIo (an "injected
// failure"): the call numbered `fail_at` (from 0), counted among all calls or, with `only`,
// among the calls of that kind. A negative number fails none. An exclusive open counts as an
// open and then a lock. Files it opens or creates record and fail their calls the same way.
class FaultyFileSystem : public FileSystem, public SteppingFile::Steps {
 public:
  FaultyFileSystem(FileSystem& inner, int64_t fail_at, std::optional<FileCall> only = std::nullopt,
                   Fault fault = {})
      : inner_(inner), fail_at_(fail_at), only_(only), fault_(fault) {}

  Result<std::unique_ptr<File>> Open(const std::string& path, OpenMode mode) override;
  Result<std::unique_ptr<File>> CreateNew(const std::string& path, uint32_t mode) override;
  Status Rename(const std::string& from, const std::string& to) override;
  Status Remove(const std::string& path) override;
  Status SyncFolder(const std::string& folder) override;
  Result<FileStat> Stat(const std::string& path) override;
  Result<std::vector<std::string>> List(const std::string& folder) override;
  Status SetOwner(const std::string& path, uint32_t owner, uint32_t group) override;
  Status SetMode(const std::string& path, uint32_t mode) override;
  Result<std::string> Resolve(const std::string& path) override;

  // Records one call; the failure it must give when it is the one to fail.
  Status Step(FileCall call, const std::string& path) override;
  const std::vector<RecordedCall>& calls() const { return calls_; }
  // The call that was made to fail, when it was reached.
  std::optional<RecordedCall> failed() const { return failed_; }

 private:
  FileSystem& inner_;
  int64_t fail_at_;
  std::optional<FileCall> only_;
  Fault fault_;
  bool armed_ = false;
  int64_t counted_ = 0;
  std::vector<RecordedCall> calls_;
  std::optional<RecordedCall> failed_;
};

}  // namespace jet
