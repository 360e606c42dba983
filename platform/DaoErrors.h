#pragma once
// The database engine's error numbers and their descriptions, in one place. Descriptions
// that name a file carry the path exactly as the caller gave it.

#include <string>

#include "jet/Status.h"
#include "platform/DaoEngine.h"
#include "platform/VbError.h"

namespace tav {

constexpr int32_t kErrInvalidArgument = 3001;
constexpr int32_t kErrFileNotFoundDao = 3024;
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

// Error sources, as the engine's objects name themselves.
inline constexpr const char* kSourceEngine = "DAO.DBEngine";
inline constexpr const char* kSourceWorkspace = "DAO.Workspace";

// The error `number` about the database file `path`, with the engine's description.
VbError DaoError(int32_t number, const std::string& path, const std::string& source);

// The error for a failed jet/ call on the database file `path`.
VbError DaoError(const jet::Status& status, const std::string& path, const std::string& source);

}  // namespace tav
