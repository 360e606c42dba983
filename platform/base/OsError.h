#pragma once
// The one place where failures of the file system become the runtime's file errors:
// 53 "File not found", 76 "Path not found", 70 "Permission denied", 61 "Disk full",
// 57 "Device I/O error", 62 "Input past end of file", 75 "Path/File access error". The
// operating system's error numbers became a kind and a cause in the file layer
// (jet/io/OsError.h); they are turned into the runtime's numbers here.

#include <filesystem>

#include "jet/base/Status.h"
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

// The file error for a failure of the program's file system (ProgramFileSystem.h) on
// `hostPath`, from its kind and what the system said: a full disk is 61, a refused
// permission or a read-only medium 70, a failing device 57, a missing file 53 and a missing
// folder 76, ...
VbError FileError(const jet::Status& failure, const std::filesystem::path& hostPath);

// A file error by its runtime number, with the runtime's own description.
VbError FileError(int32_t number);

}  // namespace tav
