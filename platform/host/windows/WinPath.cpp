#include "platform/host/WinPath.h"

// On Windows a Windows path is a host path: the mapping is the identity.

namespace tav {

std::filesystem::path HostPath(std::string_view windowsPath) {
  return std::filesystem::path(std::string(windowsPath));
}

std::string WindowsPath(const std::filesystem::path& hostPath) { return hostPath.string(); }

}  // namespace tav
