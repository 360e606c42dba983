#include "platform/host/ShellFolders.h"

#include <windows.h>
// shlobj.h needs the declarations of windows.h.
#include <shlobj.h>

namespace tav {

std::string ShellFolderPath(int32_t folderId, const UserSettingReader& /*readSetting*/) {
  std::string result;
  LPITEMIDLIST list = nullptr;
  if (SHGetSpecialFolderLocation(nullptr, folderId, &list) != 0) return result;
  std::string buffer(MAX_PATH, ' ');
  if (SHGetPathFromIDListA(list, buffer.data()) != 0) result = buffer.substr(0, buffer.find('\0'));
  CoTaskMemFree(list);
  return result;
}

}  // namespace tav
