#include "app/OpenDb.h"

#include "app/DbEngine.h"
#include "app/RunState.h"

namespace tav {

std::unique_ptr<DaoDatabase> OpenDb(const FileLocation& path, bool exclusive) {
  DaoWorkspace& workspace = DBEngine().Workspaces(0);
  const std::string& password = Run().DbPassword;
  if (!password.empty()) return workspace.OpenDatabase(path, exclusive, false, "; pwd=" + password + ";");
  return workspace.OpenDatabase(path, exclusive);
}

}  // namespace tav
