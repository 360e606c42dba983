#pragma once
// Windows paths over the host file system. The program builds Windows paths
// ("C:\Tavimer\data\list.mdb"); every file operation maps them to host paths here.
// On Windows the mapping is the identity (windows/WinPath.cpp).
//
// Elsewhere (posix/WinPath.cpp) the drives are those of the Wine prefix (posix/DosDrives.h):
// "C:" is the folder its link "dosdevices/c:" leads to; without a prefix only "Z:" exists
// and is "/".
// - "\" and "/" both separate components; doubled separators count as one; "." and ".."
//   are resolved in the text, as Windows does; trailing dots and blanks of a component
//   are dropped, as Windows does.
// - A path without a drive letter starts on the current drive: the drive of the working
//   folder. "\data\list.mdb" is below that drive's root; "data\list.mdb" is below the
//   working folder; "D:data" is below the root of D: (per-drive working folders are not
//   kept).
// - Each component is matched exactly first and, when no entry has that exact name,
//   case-insensitively (ASCII letters). Components that match nothing are kept as
//   written, so a path to a file still to be created maps as expected.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace tav {

// The host path that a Windows path names, absolute. Never throws. An empty,
// malformed (reserved characters, a misplaced ":"), network ("\\server\share") or
// unreachable (a drive that does not exist) path gives an empty host path, which no
// file operation finds.
std::filesystem::path HostPath(std::string_view windowsPath);

// How many times HostPath has run in this process: each run reads the Wine prefix and its
// drives again, and may list folders. For tests that count the resolutions of a run.
uint64_t HostPathResolutions();

// The Windows path of a host path (for the tool's own folder): the drive whose root is
// the longest leading part of the path, else Z:. Relative host paths are taken from the
// working folder and symbolic links are resolved first. No trailing separator, except
// for a drive's root ("C:\"). An empty host path gives an empty string.
std::string WindowsPath(const std::filesystem::path& hostPath);

}  // namespace tav
