#include "platform/window/PasswordFile.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/base/OsError.h"
#include "platform/base/ProgramFileSystem.h"

namespace tav {

namespace {

// More than any password line; the rest of a larger file is never read.
constexpr uint64_t kMostRead = 64 * 1024;

[[noreturn]] void Unreadable(const std::string& path, const jet::Status& failure) {
  throw VbError(FileError(failure, path).Number(), "",
                "cannot read the password file " + path + ": " + failure.description());
}

}  // namespace

// Read through the program's file system, as every file of the run is.
std::string ReadPasswordFile(const std::string& path) {
  jet::FileSystem& files = ProgramFileSystem();
  auto file = files.Open(path, jet::OpenMode::kReadOnly);
  if (!file.ok()) Unreadable(path, file.status());
  auto size = (*file)->Size();
  if (!size.ok()) Unreadable(path, size.status());
  std::vector<uint8_t> bytes(static_cast<size_t>(std::min(*size, kMostRead)));
  if (jet::Status read = (*file)->ReadAt(0, bytes); !read.ok()) Unreadable(path, read);
  std::string line(bytes.begin(), std::find(bytes.begin(), bytes.end(), uint8_t{'\n'}));
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace tav
