#include "platform/FileSystem.h"

#include <system_error>

#include "platform/VbError.h"
#include "platform/WinPath.h"

namespace tav {

bool FileExists(std::string_view windowsPath) {
  std::error_code ec;
  return std::filesystem::is_regular_file(HostPath(windowsPath), ec);
}

bool FolderExists(std::string_view windowsPath) {
  std::error_code ec;
  return std::filesystem::is_directory(HostPath(windowsPath), ec);
}

void KillFile(std::string_view windowsPath) {
  std::error_code ec;
  auto host = HostPath(windowsPath);
  if (!std::filesystem::is_regular_file(host, ec)) throw VbError(53, "", "File not found");
  if (!std::filesystem::remove(host, ec) || ec) throw VbError(75, "", "Path/File access error");
}

int32_t FileLength(std::string_view windowsPath) {
  std::error_code ec;
  auto size = std::filesystem::file_size(HostPath(windowsPath), ec);
  if (ec) throw VbError(53, "", "File not found");
  return static_cast<int32_t>(size);
}

std::string AppFolder() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  return WindowsPath(exe.parent_path());
}

}  // namespace tav
