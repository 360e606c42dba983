#pragma once
// The file-system operations the engine needs beyond reading and writing one open file:
// opening and creating files, renaming and removing them, flushing a folder, and a file's
// mode and owner. The POSIX implementation is the only one that touches the disk; tests put
// a FaultyFileSystem in its place to make each step fail in turn.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "jet/File.h"
#include "jet/Status.h"

namespace jet {

struct FileStat {
  uint32_t mode = 0;  // permission bits (07777)
  uint32_t owner = 0;
  uint32_t group = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // As OpenPosixFile: kReadWriteExclusive holds the engine's exclusive lock while open.
  virtual Result<std::unique_ptr<File>> Open(const std::string& path, OpenMode mode) = 0;
  // Creates `path` for reading and writing with permission bits `mode` (less the process's
  // mask), never through an existing file or link: kExists when the name is taken.
  virtual Result<std::unique_ptr<File>> CreateNew(const std::string& path, uint32_t mode) = 0;
  // Replaces `to` by `from` in one step.
  virtual Status Rename(const std::string& from, const std::string& to) = 0;
  virtual Status Remove(const std::string& path) = 0;
  // Makes the folder's entries (a rename into it) durable.
  virtual Status SyncFolder(const std::string& folder) = 0;
  virtual Result<FileStat> Stat(const std::string& path) = 0;
  virtual Status SetOwner(const std::string& path, uint32_t owner, uint32_t group) = 0;
  virtual Status SetMode(const std::string& path, uint32_t mode) = 0;
  // The path with every symbolic link in it resolved.
  virtual Result<std::string> Resolve(const std::string& path) = 0;
};

// The operating system's file system.
FileSystem& PosixFileSystem();

// Passes every operation to `inner`, counting them, and fails the one numbered `fail_at`
// (from 0) with kIo; a negative number fails none. The operations of files it opens
// (reads, writes, syncs) count as well. `log()` names each operation counted.
class FaultyFileSystem : public FileSystem {
 public:
  FaultyFileSystem(FileSystem& inner, int64_t fail_at) : inner_(inner), fail_at_(fail_at) {}

  Result<std::unique_ptr<File>> Open(const std::string& path, OpenMode mode) override;
  Result<std::unique_ptr<File>> CreateNew(const std::string& path, uint32_t mode) override;
  Status Rename(const std::string& from, const std::string& to) override;
  Status Remove(const std::string& path) override;
  Status SyncFolder(const std::string& folder) override;
  Result<FileStat> Stat(const std::string& path) override;
  Status SetOwner(const std::string& path, uint32_t owner, uint32_t group) override;
  Status SetMode(const std::string& path, uint32_t mode) override;
  Result<std::string> Resolve(const std::string& path) override;

  // Counts one operation; the failure it must give when it is the one to fail.
  Status Step(const std::string& what);
  const std::vector<std::string>& log() const { return log_; }

 private:
  FileSystem& inner_;
  int64_t fail_at_;
  std::vector<std::string> log_;
};

}  // namespace jet
