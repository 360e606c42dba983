#pragma once
// A file opened in binary mode and read or written sequentially from its first byte, with
// the sharing rule "other programs may neither read nor write it while it is open".
// On Linux the sharing rule is an open-file-description lock over the whole file: a write
// lock when the file could be opened for writing, a read lock (others may still read)
// when it is readable only. An open that finds another's lock fails with 70.

#include <cstddef>
#include <filesystem>
#include <span>
#include <string_view>

#include "platform/UniqueFd.h"

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
  // Closes the file and drops its lock; reports a failed close. Idempotent.
  void Close();

 private:
  SequentialFile(UniqueFd fd, std::filesystem::path host) : fd_(std::move(fd)), host_(std::move(host)) {}

  UniqueFd fd_;
  std::filesystem::path host_;
};

}  // namespace tav
