#pragma once
// The database engine's errors with their descriptions, in one place (the numbers are in
// platform/dao/DaoNumbers.h). Descriptions that name a file carry the path exactly as the
// caller gave it.

#include <string>

#include "jet/base/Status.h"
#include "platform/base/VbError.h"
#include "platform/dao/DaoEngine.h"
#include "platform/dao/DaoNumbers.h"

namespace tav {

// Error sources, as the engine's objects name themselves.
inline constexpr const char* kSourceEngine = "DAO.DBEngine";
inline constexpr const char* kSourceWorkspace = "DAO.Workspace";

// The error `number` about the database file `path`, with the engine's description.
VbError DaoError(int32_t number, const std::string& path, const std::string& source);

// The error for a failed jet/ call on the database file `path`.
VbError DaoError(const jet::Status& status, const std::string& path, const std::string& source);

}  // namespace tav
