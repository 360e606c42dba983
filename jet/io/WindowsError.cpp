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

}  // namespace

Status WindowsError(uint32_t error, const std::string& what, const std::string& path) {
  ErrorKind kind = ErrorKind::kIo;
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_INVALID_NAME:
    case ERROR_DIRECTORY:
      kind = ErrorKind::kNotFound;
      break;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      kind = ErrorKind::kExists;
      break;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      kind = ErrorKind::kInUse;
      break;
    default:
      break;
  }
  return Status(kind, what + ": " + Describe(error)).AtFile(path);
}

}  // namespace jet
