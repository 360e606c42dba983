#pragma once
// The database engine's error numbers, and the number for each kind of engine error. The
// engine (jet/) knows only error kinds; the program and jettool show these numbers, so
// this part of the platform layer is plain C++ and links no Qt.

#include <cstdint>

#include "jet/base/Status.h"

namespace tav {

constexpr int32_t kErrInvalidArgument = 3001;
constexpr int32_t kErrFileNotFoundDao = 3024;
constexpr int32_t kErrNotValidPassword = 3031;
constexpr int32_t kErrDiskOrNetwork = 3043;
constexpr int32_t kErrInvalidPath = 3044;
constexpr int32_t kErrFileInUse = 3045;
constexpr int32_t kErrCannotOpenDatabase = 3049;
constexpr int32_t kErrNoPermission = 3051;
constexpr int32_t kErrDatabaseExists = 3204;
constexpr int32_t kErrNotSupported = 3251;
constexpr int32_t kErrItemNotFound = 3265;
constexpr int32_t kErrUnrecognizedFormat = 3343;
constexpr int32_t kErrHeldExclusively = 3356;

// The number for an engine error of `kind`: a missing file 3024, a bad password 3031, a
// file that is no database (or uses a feature the engine lacks) 3343, damage 3049, ...
int32_t DaoNumber(jet::ErrorKind kind);

// The number for `status`; 0 when it is ok.
int32_t DaoNumber(const jet::Status& status);

}  // namespace tav
