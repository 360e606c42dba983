#include "platform/WinPath.h"

namespace tav {

std::filesystem::path HostPath(std::string_view windowsPath) {
  std::string p(windowsPath);
  if (p.size() >= 2 && p[1] == ':') p = p.substr(2);
  for (char& c : p)
    if (c == '\\') c = '/';
  return std::filesystem::path(p);
}

std::string WindowsPath(const std::filesystem::path& hostPath) {
  std::string p = "Z:" + hostPath.string();
  for (char& c : p)
    if (c == '/') c = '\\';
  return p;
}

}  // namespace tav
