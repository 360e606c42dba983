#include "install/modGetDirs2.h"

#ifdef _WIN32

#include <windows.h>
#include <shlobj.h>

namespace tav {

std::string GetSpecialFolder(int32_t folderId) {
  std::string result;
  LPITEMIDLIST list = nullptr;
  if (SHGetSpecialFolderLocation(nullptr, folderId, &list) != 0) return result;
  std::string buffer(MAX_PATH, ' ');
  if (SHGetPathFromIDListA(list, buffer.data()) != 0) result = buffer.substr(0, buffer.find('\0'));
  CoTaskMemFree(list);
  return result;
}

}  // namespace tav

#else

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <exception>

#include "install/ReadSetting.h"
#include "platform/host/WinPath.h"
#include "platform/host/XdgDocuments.h"

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

std::string RegistryDocumentsFolder() {
  std::string personal = ReadSetting(kExplorerKey, "Shell Folders", "Personal");
  if (personal.empty()) personal = ExpandProfile(ReadSetting(kExplorerKey, "User Shell Folders", "Personal"));
  return WithoutTrailingSeparator(personal);
}

std::string DocumentsFolder() {
  if (std::string fromRegistry = RegistryDocumentsFolder(); !fromRegistry.empty()) return fromRegistry;
  std::filesystem::path host = XdgDocumentsFolder();
  return host.empty() ? std::string() : WindowsPath(host);
}

}  // namespace

std::string GetSpecialFolder(int32_t folderId) {
  if (folderId != CSIDL_PERSONAL) return {};
  try {
    return DocumentsFolder();
  } catch (const std::exception&) {
    return {};
  }
}

}  // namespace tav

#endif

namespace tav {

std::string GetDocumentsFolder() { return GetSpecialFolder(CSIDL_PERSONAL); }

}  // namespace tav
