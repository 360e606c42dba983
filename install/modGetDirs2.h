#pragma once
// Special folders of the Windows shell, as file-system paths.

#include <cstdint>
#include <string>

namespace tav {

// Shell special-folder id of the user's documents folder.
constexpr int32_t CSIDL_PERSONAL = 5;

// The path of a shell special folder, without a trailing separator (except a drive's
// root), or the empty string when there is none. Never fails.
// On Windows the shell answers for every id. Elsewhere only CSIDL_PERSONAL has an answer:
// the "Personal" folder of the Wine prefix's registry ("Shell Folders", else the
// expanded "User Shell Folders"), else the desktop's documents folder mapped to a
// Windows path; other ids give "".
std::string GetSpecialFolder(int32_t folderId);

// GetSpecialFolder(CSIDL_PERSONAL).
std::string GetDocumentsFolder();

}  // namespace tav
