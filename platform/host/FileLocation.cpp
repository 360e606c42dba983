#include "platform/host/FileLocation.h"

#include "platform/host/WinPath.h"

namespace tav {

namespace {

// Where the last component of a Windows path starts.
size_t NameStart(const std::string& windowsPath) {
  const size_t separator = windowsPath.find_last_of("\\/");
  return separator == std::string::npos ? 0 : separator + 1;
}

}  // namespace

FileLocation::FileLocation(std::string windowsPath)
    : windows_(std::move(windowsPath)), host_(HostPath(windows_)) {}

std::string FileLocation::FileName() const { return windows_.substr(NameStart(windows_)); }

FileLocation FileLocation::Beside(const std::string& name) const {
  std::filesystem::path host;
  if (!host_.empty()) host = host_.parent_path() / name;
  return FileLocation(windows_.substr(0, NameStart(windows_)) + name, std::move(host));
}

}  // namespace tav
