#pragma once
// Where the Wine prefix lives: the folder that holds the Windows drives ("dosdevices")
// and the registry files ("system.reg", "user.reg") that the program uses on a host
// without Windows.

#include <filesystem>

namespace tav {

// $WINEPREFIX when it is set and not empty, else "$HOME/.wine". The result is an
// absolute path, or an empty path when that folder does not exist (there is no prefix).
// Read afresh on every call, so a changed environment takes effect at once.
std::filesystem::path WinePrefix();

}  // namespace tav
