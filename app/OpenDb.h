#pragma once
// Opens one database through the engine with the password in use (Run().DbPassword).

#include <memory>
#include <string>

#include "platform/dao/DaoEngine.h"

namespace tav {

// Opens the database at `path` (resolved once; text is resolved on the way in), exclusively
// when `exclusive` is true. Handles no error: any failure is
// thrown on as the engine's VbError. The caller owns and releases the result.
std::unique_ptr<DaoDatabase> OpenDb(const FileLocation& path, bool exclusive);

}  // namespace tav
