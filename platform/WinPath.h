#pragma once
// Windows paths over the host file system. The program builds Windows paths
// ("C:\Tavimer\data\list.mdb"); every file operation maps them to host paths here.
// On Windows the mapping is the identity.

#include <filesystem>
#include <string>
#include <string_view>

namespace tav {

// The host path that a Windows path names. Never throws; an unmappable path gives an
// empty host path.
std::filesystem::path HostPath(std::string_view windowsPath);

// The Windows path of a host path (for the tool's own folder).
std::string WindowsPath(const std::filesystem::path& hostPath);

}  // namespace tav
