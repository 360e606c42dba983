#include "jet/io/OsError.h"

#include <cerrno>
#include <cstring>

namespace jet {

namespace {

ErrorKind KindOf(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
    case EISDIR:
      return ErrorKind::kNotFound;
    case EEXIST:
      return ErrorKind::kExists;
    case EWOULDBLOCK:
    case ETXTBSY:
    case EBUSY:
      return ErrorKind::kInUse;
    default:
      return ErrorKind::kIo;
  }
}

OsCause CauseOf(int err) {
  switch (err) {
    case ENOTDIR:
      return OsCause::kNotAFolder;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return OsCause::kNoSpace;
    case EACCES:
    case EPERM:
      return OsCause::kDenied;
    case EROFS:
      return OsCause::kReadOnlyMedium;
    case EIO:
      return OsCause::kDevice;
    default:
      return OsCause::kOther;
  }
}

}  // namespace

Status OsError(int err, const std::string& what, const std::string& path) {
  return Status(KindOf(err), what + ": " + std::strerror(err)).AtFile(path).WithCause(CauseOf(err));
}

}  // namespace jet
