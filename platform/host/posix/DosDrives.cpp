#include "platform/host/posix/DosDrives.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <system_error>

#include "platform/host/posix/WinePrefix.h"

namespace tav {

namespace {

std::vector<DosDrive> HostRootOnly() { return {DosDrive{'Z', std::filesystem::path("/")}}; }

// "c:" (either case) gives 'C'; anything else gives 0.
char DriveLetterOfLink(const std::string& name) {
  if (name.size() != 2 || name[1] != ':') return 0;
  unsigned char letter = static_cast<unsigned char>(name[0]);
  if (!std::isalpha(letter) || letter > 0x7F) return 0;
  return static_cast<char>(std::toupper(letter));
}

}  // namespace

std::vector<DosDrive> DosDrives() {
  std::filesystem::path prefix = WinePrefix();
  if (prefix.empty()) return HostRootOnly();
  std::error_code ec;
  std::filesystem::path devices = prefix / "dosdevices";
  if (!std::filesystem::is_directory(devices, ec)) return HostRootOnly();

  std::vector<DosDrive> drives;
  for (std::filesystem::directory_iterator it(devices, ec), end; !ec && it != end; it.increment(ec)) {
    char letter = DriveLetterOfLink(it->path().filename().string());
    if (letter == 0) continue;
    std::error_code linkError;
    // canonical() follows the link (relative links are relative to "dosdevices") and
    // fails when it leads nowhere.
    std::filesystem::path root = std::filesystem::canonical(it->path(), linkError);
    if (linkError || !std::filesystem::is_directory(root, linkError)) continue;
    drives.push_back(DosDrive{letter, root});
  }
  std::sort(drives.begin(), drives.end(),
            [](const DosDrive& a, const DosDrive& b) { return a.Letter < b.Letter; });
  return drives;
}

std::optional<std::filesystem::path> DriveRoot(char letter) {
  char wanted = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  for (const DosDrive& drive : DosDrives())
    if (drive.Letter == wanted) return drive.Root;
  // Host paths outside every drive are written on Z: (WinPath.h), so Z: stays the host's
  // root even in a prefix that has no link for it.
  if (wanted == 'Z') return std::filesystem::path("/");
  return std::nullopt;
}

}  // namespace tav
