#include "platform/dao/DaoNumbers.h"

namespace tav {

int32_t DaoNumber(jet::ErrorKind kind) {
  switch (kind) {
    case jet::ErrorKind::kNotFound:
      return kErrFileNotFoundDao;
    case jet::ErrorKind::kBadPassword:
      return kErrNotValidPassword;
    case jet::ErrorKind::kNotADatabase:
      return kErrUnrecognizedFormat;
    case jet::ErrorKind::kCorrupt:
      return kErrCannotOpenDatabase;
    case jet::ErrorKind::kIo:
      return kErrDiskOrNetwork;
    case jet::ErrorKind::kInUse:
      return kErrFileInUse;
    case jet::ErrorKind::kExists:
      return kErrDatabaseExists;
    case jet::ErrorKind::kUnsupported:
      return kErrUnrecognizedFormat;
    case jet::ErrorKind::kInvalidArgument:
      return kErrInvalidArgument;
  }
  return kErrCannotOpenDatabase;
}

int32_t DaoNumber(const jet::Status& status) { return status.ok() ? 0 : DaoNumber(status.kind()); }

}  // namespace tav
