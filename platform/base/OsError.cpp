#include "platform/base/OsError.h"

#include "platform/base/ProgramFileSystem.h"

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

bool FolderMissingOnDisk(const std::filesystem::path& hostPath) {
  const auto parent = hostPath.parent_path();
  if (parent.empty()) return false;
  auto folder = ProgramFileSystem().Stat(parent.string());
  return !folder.ok() || folder->kind != jet::FileKind::kFolder;
}

int32_t NumberFor(const jet::Status& failure, const std::filesystem::path& hostPath) {
  switch (failure.cause()) {
    case jet::OsCause::kNotAFolder:
      return kErrPathNotFound;
    case jet::OsCause::kNoSpace:
      return kErrDiskFull;
    case jet::OsCause::kDenied:
    case jet::OsCause::kReadOnlyMedium:
      return kErrPermissionDenied;
    case jet::OsCause::kDevice:
      return kErrDeviceIo;
    case jet::OsCause::kNone:
    case jet::OsCause::kOther:
      break;
  }
  switch (failure.kind()) {
    case jet::ErrorKind::kNotFound:
      return FolderMissingOnDisk(hostPath) ? kErrPathNotFound : kErrFileNotFound;
    case jet::ErrorKind::kInUse:
      return kErrPermissionDenied;
    default:
      return kErrPathFileAccess;
  }
}

}  // namespace

VbError FileError(const jet::Status& failure, const std::filesystem::path& hostPath) {
  return FileError(NumberFor(failure, hostPath));
}

VbError FileError(int32_t number) { return VbError(number, "", Description(number)); }

}  // namespace tav
