// The File and FileSystem implementations over POSIX calls: the only code of the engine
// that opens, creates, renames or removes files. Error numbers become a Status through
// OsError.
//
// Writes go to the kernel a quarter of a megabyte a call, and on Linux a file asks the disk
// to start writing what has piled up as it goes (WriteBehind).
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "jet/io/File.h"
#include "jet/io/FileLock.h"
#include "jet/io/FileSystem.h"
#include "jet/io/OsError.h"

namespace jet {
namespace {

FileStat StatOf(const struct stat& st) {
  FileStat out;
  out.mode = static_cast<uint32_t>(st.st_mode & 07777);
  out.owner = st.st_uid;
  out.group = st.st_gid;
  out.kind = S_ISREG(st.st_mode)   ? FileKind::kFile
             : S_ISDIR(st.st_mode) ? FileKind::kFolder
                                   : FileKind::kOther;
  out.size = static_cast<uint64_t>(st.st_size);
  out.device = static_cast<uint64_t>(st.st_dev);
  out.inode = static_cast<uint64_t>(st.st_ino);
  return out;
}

class PosixFile : public File {
 public:
  PosixFile(int fd, std::string path, std::unique_ptr<FileLock> lock)
      : fd_(fd), path_(std::move(path)), lock_(std::move(lock)) {}
  ~PosixFile() override { ::close(fd_); }
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  Status ReadAt(uint64_t offset, std::span<uint8_t> buffer) override {
    size_t done = 0;
    while (done < buffer.size()) {
      ssize_t n = ::pread(fd_, buffer.data() + done, buffer.size() - done, static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return OsError(errno, "cannot read", path_).AtOffset(offset);
      if (n == 0) return CorruptError("read past the end of the file").AtFile(path_).AtOffset(offset);
      done += static_cast<size_t>(n);
    }
    return Status::Ok();
  }

  Status WriteAt(uint64_t offset, std::span<const uint8_t> data) override {
    size_t done = 0;
    while (done < data.size()) {
      const size_t part = std::min(data.size() - done, kLargestWrite);
      ssize_t n = ::pwrite(fd_, data.data() + done, part, static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return OsError(n < 0 ? errno : EIO, "cannot write", path_).AtOffset(offset);
      done += static_cast<size_t>(n);
    }
    WriteBehind(offset, data.size());
    return Status::Ok();
  }

  Result<uint64_t> Size() override {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return OsError(errno, "cannot get the file size", path_);
    return static_cast<uint64_t>(st.st_size);
  }

  Status Sync() override {
    unstarted_ = 0;
    if (::fsync(fd_) != 0) return OsError(errno, "cannot flush", path_);
    return Status::Ok();
  }

  Status Truncate(uint64_t size) override {
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) return OsError(errno, "cannot truncate", path_);
    return Status::Ok();
  }

  std::string Name() const override { return path_; }

  Result<std::unique_ptr<FileLock>> Lock(LockMode mode) override { return LockOpenFile(fd_, mode, path_); }
  ForeignLock ForeignLocks() override { return LockedByOthers(fd_); }
  Result<FileStat> Stat() override {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return OsError(errno, "cannot read the attributes of", path_);
    return StatOf(st);
  }

 private:
  // Once kWriteBehindBytes have been written since the disk was last asked, asks it to start
  // writing the stretch they lie in, without waiting: the kernel otherwise leaves a large
  // file's pages in memory until Sync, which then waits for all of them (a compaction's
  // Sync took half a second instead of a third). Only Sync makes anything durable, and a
  // write the disk failed is reported by it, so what this call returns does not matter.
  void WriteBehind(uint64_t offset, size_t size) {
#if defined(__linux__)
    if (unstarted_ == 0) unstarted_first_ = unstarted_end_ = offset;
    unstarted_first_ = std::min(unstarted_first_, offset);
    unstarted_end_ = std::max<uint64_t>(unstarted_end_, offset + size);
    unstarted_ += size;
    if (unstarted_ < kWriteBehindBytes) return;
    unstarted_ = 0;
    (void)::sync_file_range(fd_, static_cast<off_t>(unstarted_first_),
                            static_cast<off_t>(unstarted_end_ - unstarted_first_), SYNC_FILE_RANGE_WRITE);
#else
    (void)offset;
    (void)size;
#endif
  }

  static constexpr uint64_t kWriteBehindBytes = 8u << 20;
  // Bytes handed to the kernel per write call. A call of megabytes has Linux take page-cache
  // folios of that size for it, and where memory is fragmented (or its pages are not yet
  // backed, in a virtual machine) getting those costs many times the copy itself: writing a
  // file 4 MB a call was seen to take ten times as long as a quarter of a megabyte a call.
  static constexpr size_t kLargestWrite = 256u << 10;

  int fd_;
  std::string path_;
  std::unique_ptr<FileLock> lock_;  // kReadWriteExclusive only
  uint64_t unstarted_ = 0;          // bytes written since the disk was last asked to write
  uint64_t unstarted_first_ = 0;
  uint64_t unstarted_end_ = 0;
};

// Wraps an open descriptor, taking the engine's exclusive lock on it for
// kReadWriteExclusive (kInUse when another holds it). Closes the descriptor on failure.
Result<std::unique_ptr<File>> WrapDescriptor(int fd, const std::string& path, OpenMode mode) {
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    return Status(ErrorKind::kNotFound, "is a folder, not a file").AtFile(path);
  }
  std::unique_ptr<FileLock> lock;
  if (mode == OpenMode::kReadWriteExclusive) {
    auto locked = LockOpenFile(fd, LockMode::kExclusive, path);
    if (!locked.ok()) {
      ::close(fd);
      return locked.status();
    }
    lock = std::move(locked).value();
  }
  return std::unique_ptr<File>(std::make_unique<PosixFile>(fd, path, std::move(lock)));
}

Result<std::unique_ptr<File>> OpenFile(const std::string& path, OpenMode mode) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case OpenMode::kReadOnly:
      flags |= O_RDONLY;
      break;
    case OpenMode::kReadWrite:
      flags |= O_RDWR;
      break;
    case OpenMode::kCreateNew:
      flags |= O_RDWR | O_CREAT | O_EXCL;
      break;
    case OpenMode::kReadWriteExclusive:
      flags |= O_RDWR;
      break;
    case OpenMode::kReadWriteCreate:
      flags |= O_RDWR | O_CREAT;
      break;
  }
  int fd = ::open(path.c_str(), flags, mode == OpenMode::kReadWriteCreate ? 0666 : 0644);
  if (fd < 0) return OsError(errno, "cannot open", path);
  return WrapDescriptor(fd, path, mode);
}

class Posix : public FileSystem {
 public:
  Result<std::unique_ptr<File>> Open(const std::string& path, OpenMode mode) override {
    return OpenFile(path, mode);
  }

  Result<std::unique_ptr<File>> CreateNew(const std::string& path, uint32_t mode) override {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                          static_cast<mode_t>(mode & 07777));
    if (fd < 0) return OsError(errno, "cannot create", path);
    return WrapDescriptor(fd, path, OpenMode::kReadWrite);
  }

  Status Rename(const std::string& from, const std::string& to) override {
    if (::rename(from.c_str(), to.c_str()) != 0) return OsError(errno, "cannot rename " + from + " to", to);
    return Status::Ok();
  }

  Status Remove(const std::string& path) override {
    if (::unlink(path.c_str()) != 0) return OsError(errno, "cannot remove", path);
    return Status::Ok();
  }

  Status SyncFolder(const std::string& folder) override {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return OsError(errno, "cannot open the folder", folder);
    const int synced = ::fsync(fd);
    const int err = errno;
    ::close(fd);
    if (synced != 0) return OsError(err, "cannot flush the folder", folder);
    return Status::Ok();
  }

  Result<FileStat> Stat(const std::string& path) override {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return OsError(errno, "cannot read the attributes of", path);
    return StatOf(st);
  }

  Result<std::vector<std::string>> List(const std::string& folder) override {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return OsError(errno, "cannot list the folder", folder);
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    const int err = errno;
    ::closedir(dir);
    if (err != 0) return OsError(err, "cannot list the folder", folder);
    return names;
  }

  Status SetOwner(const std::string& path, uint32_t owner, uint32_t group) override {
    if (::lchown(path.c_str(), owner, group) != 0) return OsError(errno, "cannot set the owner of", path);
    return Status::Ok();
  }

  Status SetMode(const std::string& path, uint32_t mode) override {
    if (::chmod(path.c_str(), static_cast<mode_t>(mode & 07777)) != 0)
      return OsError(errno, "cannot set the mode of", path);
    return Status::Ok();
  }

  Result<std::string> Resolve(const std::string& path) override {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) return OsError(errno, "cannot resolve", path);
    return std::string(resolved);
  }
};

}  // namespace

FileSystem& PosixFileSystem() {
  static Posix posix;
  return posix;
}

FileSystem& SystemFileSystem() { return PosixFileSystem(); }

}  // namespace jet
