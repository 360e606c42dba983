#include "platform/host/ShellFolders.h"

#include <windows.h>
// shlobj.h needs the declarations of windows.h.
#include <shlobj.h>

#include "jet/io/WindowsText.h"

namespace tav {

// The shell's answer for `folderId`: its item-id list, then the list's file-system path in a
// buffer of MAX_PATH characters, through the wide call, so that the path reaches the
// program (UTF-8) whatever the ANSI code page. The list is released in every case.
std::string ShellFolderPath(int32_t folderId, const UserSettingReader& /*readSetting*/) {
  std::string result;
  LPITEMIDLIST list = nullptr;
  if (::SHGetSpecialFolderLocation(nullptr, folderId, &list) != S_OK) return result;
  std::wstring buffer(MAX_PATH, L' ');
  if (::SHGetPathFromIDListW(list, buffer.data()) != FALSE) {
    const size_t end = buffer.find(L'\0');
    result = jet::Utf8(std::wstring_view(buffer).substr(0, end));
    // Windows gives a folder without a closing separator (a drive's root, "C:\\", aside), and
    // the program joins its names on that; Wine may give one, which would double it.
    if (result.size() > 3 && result.back() == '\\') result.pop_back();
  }
  ::CoTaskMemFree(list);
  return result;
}

}  // namespace tav
