#include "jet/io/OsError.h"

#include <cerrno>
#include <cstring>

namespace jet {

Status OsError(int err, const std::string& what, const std::string& path) {
  ErrorKind kind = ErrorKind::kIo;
  if (err == ENOENT || err == ENOTDIR) kind = ErrorKind::kNotFound;
  if (err == EEXIST) kind = ErrorKind::kExists;
  if (err == EWOULDBLOCK || err == ETXTBSY || err == EBUSY) kind = ErrorKind::kInUse;
  return Status(kind, what + ": " + std::strerror(err)).AtFile(path);
}

}  // namespace jet
