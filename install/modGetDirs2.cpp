#include "install/modGetDirs2.h"

#include "install/ReadSetting.h"
#include "platform/base/VbError.h"
#include "platform/host/ShellFolders.h"

namespace tav {

std::string GetSpecialFolder(int32_t folderId) {
  try {
    return ShellFolderPath(folderId, ReadSetting);
  } catch (const VbError&) {
    return {};
  }
}

std::string GetDocumentsFolder() { return GetSpecialFolder(CSIDL_PERSONAL); }

}  // namespace tav
