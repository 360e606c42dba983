#include "platform/host/WinPath.h"

#include <atomic>

// On Windows a Windows path is a host path: the mapping is the identity.

namespace tav {

namespace {

std::atomic<uint64_t> resolutions{0};

}  // namespace

uint64_t HostPathResolutions() { return resolutions.load(); }

std::filesystem::path HostPath(std::string_view windowsPath) {
  ++resolutions;
  return std::filesystem::path(std::string(windowsPath));
}

std::string WindowsPath(const std::filesystem::path& hostPath) { return hostPath.string(); }

}  // namespace tav
