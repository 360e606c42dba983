#pragma once
// The drive letters of the Wine prefix: each link "x:" in its "dosdevices" folder names
// the host folder that is the root of drive X.

#include <filesystem>
#include <optional>
#include <vector>

namespace tav {

struct DosDrive {
  char Letter;                 // upper case, 'A' to 'Z'
  std::filesystem::path Root;  // the host folder, absolute and with symbolic links resolved
};

// Every drive whose link leads to an existing folder, in letter order. Without a prefix,
// or when the prefix has no "dosdevices" folder, the one drive Z: is the host's root "/".
std::vector<DosDrive> DosDrives();

// The root of one drive (either case of the letter), or nothing when the drive does not
// exist. Z: without a link of its own is the host's root "/".
std::optional<std::filesystem::path> DriveRoot(char letter);

}  // namespace tav
