#pragma once
// The one place where operating-system error numbers become the runtime's file errors:
// 53 "File not found", 76 "Path not found", 70 "Permission denied", 61 "Disk full",
// 57 "Device I/O error", 62 "Input past end of file", 75 "Path/File access error".

#include <filesystem>

#include "platform/base/VbError.h"

namespace tav {

constexpr int32_t kErrFileNotFound = 53;
constexpr int32_t kErrDeviceIo = 57;
constexpr int32_t kErrDiskFull = 61;
constexpr int32_t kErrInputPastEnd = 62;
constexpr int32_t kErrPermissionDenied = 70;
constexpr int32_t kErrPathFileAccess = 75;
constexpr int32_t kErrPathNotFound = 76;
constexpr int32_t kErrOverflow = 6;

// The file error for the errno value `osError` raised by an operation on `hostPath`. A
// missing file whose folder is missing too counts as "Path not found".
VbError FileError(int osError, const std::filesystem::path& hostPath);

// A file error by its runtime number, with the runtime's own description.
VbError FileError(int32_t number);

}  // namespace tav
