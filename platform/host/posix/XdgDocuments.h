#pragma once
// The user's documents folder as the desktop names it on a host without Windows.

#include <filesystem>

namespace tav {

// XDG_DOCUMENTS_DIR from "user-dirs.dirs" in $XDG_CONFIG_HOME (else ~/.config) when it
// names an existing folder other than the home folder itself, else ~/Documents when that
// exists. An empty path when neither does. Never throws.
std::filesystem::path XdgDocumentsFolder();

}  // namespace tav
