#include "platform/dao/DaoErrors.h"

#include "platform/host/MachineName.h"

namespace tav {

namespace {

std::string Describe(int32_t number, const std::string& path) {
  const std::string quoted = "'" + path + "'";
  switch (number) {
    case kErrInvalidArgument:
      return "Invalid argument.";
    case kErrFileNotFoundDao:
      return "Could not find file " + quoted + ".";
    case kErrNotValidPassword:
      return "Not a valid password.";
    case kErrDiskOrNetwork:
      return "Disk or network error.";
    case kErrInvalidPath:
      return quoted + " isn't a valid path.";
    case kErrFileInUse:
      return "Could not use " + quoted + "; file already in use.";
    case kErrNoPermission:
      return "The Microsoft Jet database engine cannot open the file " + quoted +
             ". It is already opened exclusively by another user, or you need permission to view its data.";
    case kErrDatabaseExists:
      return "Database already exists.";
    case kErrNotSupported:
      return "Operation is not supported for this type of object.";
    case kErrItemNotFound:
      return "Item not found in this collection.";
    case kErrUnrecognizedFormat:
      return "Unrecognized database format " + quoted + ".";
    case kErrHeldExclusively:
      return "You attempted to open a database that is already opened exclusively by user 'Admin' on "
             "machine '" +
             MachineName() + "'. Try again when the database is available.";
    default:
      return "Can't open database " + quoted +
             ". It may not be a database that your application recognizes, or the file may be corrupt.";
  }
}

}  // namespace

VbError DaoError(int32_t number, const std::string& path, const std::string& source) {
  return VbError(number, source, Describe(number, path));
}

VbError DaoError(const jet::Status& status, const std::string& path, const std::string& source) {
  int32_t number = DaoNumber(status);
  if (number <= 0) number = kErrCannotOpenDatabase;
  return DaoError(number, path, source);
}

}  // namespace tav
