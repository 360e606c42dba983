#include "jet/io/WindowsError.h"

#include <windows.h>

#include "jet/io/WindowsText.h"

namespace jet {
namespace {

std::string Describe(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string out = length > 0 ? Utf8(std::wstring_view(text, length)) : "";
  if (text != nullptr) ::LocalFree(text);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ' || out.back() == '.'))
    out.pop_back();
  return out.empty() ? "Windows error " + std::to_string(error) : out;
}

ErrorKind KindOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_INVALID_NAME:
    case ERROR_DIRECTORY:
    case ERROR_FILENAME_EXCED_RANGE:
      return ErrorKind::kNotFound;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return ErrorKind::kExists;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return ErrorKind::kInUse;
    default:
      return ErrorKind::kIo;
  }
}

OsCause CauseOf(DWORD error) {
  switch (error) {
    case ERROR_DIRECTORY:
      return OsCause::kNotAFolder;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_FILE_TOO_LARGE:
      return OsCause::kNoSpace;
    case ERROR_ACCESS_DENIED:
    case ERROR_PRIVILEGE_NOT_HELD:
      return OsCause::kDenied;
    case ERROR_WRITE_PROTECT:
      return OsCause::kReadOnlyMedium;
    case ERROR_CRC:
    case ERROR_SEEK:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT:
    case ERROR_GEN_FAILURE:
    case ERROR_IO_DEVICE:
    case ERROR_NOT_READY:
    case ERROR_DEVICE_NOT_CONNECTED:
      return OsCause::kDevice;
    default:
      return OsCause::kOther;
  }
}

}  // namespace

Status WindowsError(uint32_t error, const std::string& what, const std::string& path) {
  return Status(KindOf(error), what + ": " + Describe(error)).AtFile(path).WithCause(CauseOf(error));
}

}  // namespace jet
