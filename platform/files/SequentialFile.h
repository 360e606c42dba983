#pragma once
// A file opened in binary mode and read or written sequentially from its first byte, with
// the sharing rule "other programs may neither read nor write it while it is open".
// On Linux the sharing rule is an exclusive lock of jet/FileLock.h while the file is open,
// taken only when no other program uses the file (platform/dao/DatabaseUse.h: the file, or
// the lock file of the same name, open or locked elsewhere). Opening a file in use, or one
// this program has open the same way, fails with 70.

#include <cstddef>
#include <filesystem>
#include <memory>
#include <span>
#include <string_view>

#include "jet/io/FileLock.h"
#include "platform/base/posix/UniqueFd.h"

namespace tav {

class SequentialFile {
 public:
  // Opens an existing file for reading. Throws VbError (53, 76, 70, ...).
  static SequentialFile OpenRead(std::string_view windowsPath);
  // Opens a file for writing at its first byte, creating it when missing; its contents
  // are kept until overwritten. Throws VbError.
  static SequentialFile OpenWrite(std::string_view windowsPath);

  // Reads exactly buffer.size() bytes; a file that ends first gives 62.
  void Read(std::span<char> buffer);
  // Writes the whole buffer (61 when the disk is full).
  void Write(std::span<const char> buffer);
  // Makes what was written durable (fsync).
  void Flush();
  // Closes the file and drops its lock; reports a failed close. Idempotent.
  void Close();

 private:
  SequentialFile(UniqueFd fd, std::filesystem::path host, std::unique_ptr<jet::FileLock> lock)
      : fd_(std::move(fd)), host_(std::move(host)), lock_(std::move(lock)) {}

  UniqueFd fd_;
  std::filesystem::path host_;
  std::unique_ptr<jet::FileLock> lock_;
};

}  // namespace tav
