#pragma once
// The special folders of the Windows shell, as file-system paths.

#include <cstdint>
#include <functional>
#include <string>

namespace tav {

// Shell special-folder id of the user's documents folder.
inline constexpr int32_t kShellFolderPersonal = 5;

// Reads the string value `key` of HKEY_CURRENT_USER\Software\<app>\<section>; "" when
// there is none. It never fails.
using UserSettingReader =
    std::function<std::string(const std::string& app, const std::string& section, const std::string& key)>;

// The path of the shell special folder `folderId`, without a trailing separator (except a
// drive's root), or the empty string when there is none.
// On Windows the shell answers for every id (windows/ShellFolders.cpp). Elsewhere
// (posix/ShellFolders.cpp) only kShellFolderPersonal has an answer, as Wine's shell gives
// it: the "Personal" folder of the Wine prefix's registry, read through `readSetting`
// ("Shell Folders", else "User Shell Folders" with the user's profile filled in), else the
// desktop's documents folder mapped to a Windows path; other ids give "".
std::string ShellFolderPath(int32_t folderId, const UserSettingReader& readSetting);

}  // namespace tav
