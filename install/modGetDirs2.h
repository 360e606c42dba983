#pragma once
// Special folders of the Windows shell, as file-system paths.

#include <cstdint>
#include <string>

#include "platform/host/ShellFolders.h"

namespace tav {

// Shell special-folder id of the user's documents folder.
constexpr int32_t CSIDL_PERSONAL = kShellFolderPersonal;

// The path of a shell special folder, without a trailing separator (except a drive's
// root), or the empty string when there is none. Never fails. The shell's answer
// (platform/host/ShellFolders.h), with the per-user settings read through ReadSetting
// where the folders come from the Wine prefix's registry.
std::string GetSpecialFolder(int32_t folderId);

// GetSpecialFolder(CSIDL_PERSONAL).
std::string GetDocumentsFolder();

}  // namespace tav
