#include "platform/window/PasswordFile.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "jet/io/OsError.h"
#include "platform/base/OsError.h"

namespace tav {

namespace {

[[noreturn]] void Unreadable(const std::string& path, int osError) {
  throw VbError(FileError(jet::OsError(osError, "read", path), path).Number(), "",
                "cannot read the password file " + path + ": " + std::strerror(osError));
}

}  // namespace

std::string ReadPasswordFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Unreadable(path, errno);
  std::string line;
  std::getline(in, line);
  if (in.bad()) Unreadable(path, errno);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace tav
