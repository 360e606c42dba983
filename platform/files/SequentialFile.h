#pragma once
// A file opened in binary mode and read or written sequentially from its first byte, or
// opened for text output, with the sharing rule "other programs may neither read nor write
// it while it is open". The rule is an exclusive lock of jet/io/FileLock.h while the file is
// open, taken only when no other program uses the file (platform/dao/DatabaseUse.h: the file,
// or its lock file, open or locked elsewhere). Opening a file in use, or one this program
// has open the same way, fails with 70. Every call goes through the program's file system
// (platform/base/ProgramFileSystem.h).

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>

#include "jet/io/File.h"
#include "jet/io/FileLock.h"
#include "platform/host/FileLocation.h"

namespace tav {

class SequentialFile {
 public:
  // Opens an existing file for reading. Throws VbError (53, 76, 70, ...).
  static SequentialFile OpenRead(const FileLocation& file);
  // Opens a file for writing at its first byte, creating it when missing; its contents
  // are kept until overwritten. Throws VbError.
  static SequentialFile OpenWrite(const FileLocation& file);
  // Opens a file for text output, creating it when missing. An existing file is emptied
  // once the open has been granted, at the first Write or at Close: a refused open leaves
  // it as it was. Throws VbError.
  static SequentialFile OpenOutput(const FileLocation& file);

  // Reads exactly buffer.size() bytes; a file that ends first gives 62.
  void Read(std::span<char> buffer);
  // Writes the whole buffer (61 when the disk is full).
  void Write(std::span<const char> buffer);
  // Makes what was written durable.
  void Flush();
  // Closes the file and drops its lock. Idempotent.
  void Close();

 private:
  SequentialFile(std::unique_ptr<jet::File> file, std::filesystem::path host,
                 std::unique_ptr<jet::FileLock> lock, bool emptyFirst)
      : file_(std::move(file)), host_(std::move(host)), lock_(std::move(lock)), emptyFirst_(emptyFirst) {}
  static SequentialFile Open(const FileLocation& file, jet::OpenMode mode, bool emptyFirst);
  void EmptyIfDue();

  std::unique_ptr<jet::File> file_;
  std::filesystem::path host_;
  std::unique_ptr<jet::FileLock> lock_;
  bool emptyFirst_;
  uint64_t position_ = 0;
};

}  // namespace tav
