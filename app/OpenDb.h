#pragma once
// Opens one database through the engine with the password in use (Run().DbPassword).

#include <memory>
#include <string>

#include "platform/dao/DaoEngine.h"

namespace tav {

// Opens `path`, exclusively when `exclusive` is true. Handles no error: any failure is
// thrown on as the engine's VbError. The caller owns and releases the result.
std::unique_ptr<DaoDatabase> OpenDb(const std::string& path, bool exclusive);

}  // namespace tav
