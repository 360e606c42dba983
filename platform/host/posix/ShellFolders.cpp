#include "platform/host/ShellFolders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/host/WinPath.h"
#include "platform/host/posix/XdgDocuments.h"

namespace tav {

namespace {

const char kExplorerKey[] = "Microsoft\\Windows\\CurrentVersion\\Explorer";

// Wine's user profile folder, "C:\users\<login name>".
std::string WineUserProfile() {
  const char* user = std::getenv("USER");
  std::string name = user == nullptr ? std::string() : std::string(user);
  if (name.empty())
    if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr) name = entry->pw_name;
  return name.empty() ? std::string() : "C:\\users\\" + name;
}

// "User Shell Folders" holds "%USERPROFILE%\Documents", which only a Windows process
// environment expands; a reference left over is filled in as Wine would.
std::string ExpandProfile(std::string path) {
  const std::string reference = "%USERPROFILE%";
  if (std::size_t at = path.find(reference); at != std::string::npos) {
    std::string profile = WineUserProfile();
    if (profile.empty()) return {};
    path.replace(at, reference.size(), profile);
  }
  return path.find('%') == std::string::npos ? path : std::string();
}

std::string WithoutTrailingSeparator(std::string path) {
  while (path.size() > 1 && (path.back() == '\\' || path.back() == '/') &&
         !(path.size() == 3 && path[1] == ':'))
    path.pop_back();
  return path;
}

std::string RegistryDocumentsFolder(const UserSettingReader& readSetting) {
  std::string personal = readSetting(kExplorerKey, "Shell Folders", "Personal");
  if (personal.empty()) personal = ExpandProfile(readSetting(kExplorerKey, "User Shell Folders", "Personal"));
  return WithoutTrailingSeparator(personal);
}

}  // namespace

std::string ShellFolderPath(int32_t folderId, const UserSettingReader& readSetting) {
  if (folderId != kShellFolderPersonal) return {};
  if (std::string fromRegistry = RegistryDocumentsFolder(readSetting); !fromRegistry.empty())
    return fromRegistry;
  std::filesystem::path host = XdgDocumentsFolder();
  return host.empty() ? std::string() : WindowsPath(host);
}

}  // namespace tav
