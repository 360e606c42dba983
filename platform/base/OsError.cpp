#include "platform/base/OsError.h"

#include <cerrno>

namespace tav {

namespace {

const char* Description(int32_t number) {
  switch (number) {
    case kErrOverflow:
      return "Overflow";
    case kErrFileNotFound:
      return "File not found";
    case kErrDeviceIo:
      return "Device I/O error";
    case kErrDiskFull:
      return "Disk full";
    case kErrInputPastEnd:
      return "Input past end of file";
    case kErrPermissionDenied:
      return "Permission denied";
    case kErrPathNotFound:
      return "Path not found";
    default:
      return "Path/File access error";
  }
}

bool FolderMissing(const std::filesystem::path& hostPath) {
  std::error_code ec;
  auto parent = hostPath.parent_path();
  return !parent.empty() && !std::filesystem::is_directory(parent, ec);
}

int32_t NumberFor(int osError, const std::filesystem::path& hostPath) {
  switch (osError) {
    case ENOENT:
      return FolderMissing(hostPath) ? kErrPathNotFound : kErrFileNotFound;
    case ENOTDIR:
      return kErrPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EAGAIN:
    case ETXTBSY:
    case EBUSY:
      return kErrPermissionDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return kErrDiskFull;
    case EIO:
      return kErrDeviceIo;
    default:
      return kErrPathFileAccess;
  }
}

}  // namespace

VbError FileError(int osError, const std::filesystem::path& hostPath) {
  return FileError(NumberFor(osError, hostPath));
}

VbError FileError(int32_t number) { return VbError(number, "", Description(number)); }

}  // namespace tav
