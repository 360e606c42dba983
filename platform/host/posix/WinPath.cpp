#include "platform/host/WinPath.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <optional>
#include <system_error>
#include <vector>

#include "platform/host/posix/DosDrives.h"

namespace tav {

namespace {

std::atomic<uint64_t> resolutions{0};

// A Windows path taken apart. Drive is 0 when the path names none.
struct PathParts {
  char Drive = 0;
  bool Rooted = false;
  std::vector<std::string> Components;
};

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Characters that Windows refuses in a file or folder name.
bool IsReserved(char c) {
  auto code = static_cast<unsigned char>(c);
  return code < 0x20 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' || c == '*';
}

// 'C' for a text starting "c:" or "C:", else 0.
char LeadingDrive(std::string_view text) {
  if (text.size() < 2 || text[1] != ':') return 0;
  auto letter = static_cast<unsigned char>(text[0]);
  if (letter > 0x7F || !std::isalpha(letter)) return 0;
  return static_cast<char>(std::toupper(letter));
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

// One component as Windows reads it: "." and ".." stay as they are, other names lose
// their trailing dots and blanks. Nothing when the name holds a reserved character.
std::optional<std::string> CleanComponent(std::string_view name) {
  if (name == "." || name == "..") return std::string(name);
  if (std::any_of(name.begin(), name.end(), IsReserved)) return std::nullopt;
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.remove_suffix(1);
  return std::string(name);
}

std::optional<PathParts> Parse(std::string_view path) {
  if (path.empty()) return std::nullopt;
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    // "\\?\C:\..." and "\\.\C:\..." are local paths; anything else is a network share.
    bool local = path.size() >= 6 && (path[2] == '?' || path[2] == '.') && IsSeparator(path[3]) &&
                 LeadingDrive(path.substr(4)) != 0;
    if (!local) return std::nullopt;
    path.remove_prefix(4);
  }
  PathParts parts;
  if (char drive = LeadingDrive(path)) {
    parts.Drive = drive;
    path.remove_prefix(2);
  }
  parts.Rooted = !path.empty() && IsSeparator(path.front());
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = start;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    std::optional<std::string> component = CleanComponent(path.substr(start, end - start));
    if (!component) return std::nullopt;
    if (!component->empty()) parts.Components.push_back(std::move(*component));
    start = end + 1;
  }
  return parts;
}

// Applies "." and ".." to a list of components; ".." above the root stays at the root.
std::vector<std::string> Resolve(const std::vector<std::string>& components) {
  std::vector<std::string> resolved;
  for (const std::string& name : components) {
    if (name == ".") continue;
    if (name == "..") {
      if (!resolved.empty()) resolved.pop_back();
      continue;
    }
    resolved.push_back(name);
  }
  return resolved;
}

// The working folder as an absolute Windows path, taken apart.
std::optional<PathParts> WorkingFolder() {
  std::error_code ec;
  std::filesystem::path cwd = std::filesystem::current_path(ec);
  if (ec) return std::nullopt;
  return Parse(WindowsPath(cwd));
}

// Completes a path with the current drive and the working folder.
std::optional<PathParts> MakeAbsolute(PathParts parts) {
  if (parts.Drive == 0 || !parts.Rooted) {
    std::optional<PathParts> cwd = WorkingFolder();
    if (!cwd) return std::nullopt;
    if (parts.Drive == 0) parts.Drive = cwd->Drive;
    if (!parts.Rooted && parts.Drive == cwd->Drive)
      parts.Components.insert(parts.Components.begin(), cwd->Components.begin(), cwd->Components.end());
    parts.Rooted = true;
  }
  parts.Components = Resolve(parts.Components);
  return parts;
}

// The entry of `folder` called `name`: the exact name when it exists, else the first
// (in byte order) whose name differs only in letter case. `found` turns false when
// neither exists; the name is then kept as written.
std::filesystem::path MatchEntry(const std::filesystem::path& folder, const std::string& name, bool& found) {
  std::error_code ec;
  std::filesystem::path exact = folder / name;
  if (std::filesystem::exists(std::filesystem::symlink_status(exact, ec))) return exact;
  std::optional<std::string> best;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::string entry = it->path().filename().string();
    if (EqualIgnoringCase(entry, name) && (!best || entry < *best)) best = std::move(entry);
  }
  if (best) return folder / *best;
  found = false;
  return exact;
}

// Whether `root` is a leading part of `path`, compared component by component.
bool StartsWith(const std::filesystem::path& path, const std::filesystem::path& root) {
  auto rootEnd = root.end();
  auto [rootIt, pathIt] = std::mismatch(root.begin(), rootEnd, path.begin(), path.end());
  return rootIt == rootEnd;
}

std::size_t Depth(const std::filesystem::path& path) {
  return static_cast<std::size_t>(std::distance(path.begin(), path.end()));
}

}  // namespace

uint64_t HostPathResolutions() { return resolutions.load(); }

std::filesystem::path HostPath(std::string_view windowsPath) {
  ++resolutions;
  std::optional<PathParts> parts = Parse(windowsPath);
  if (parts) parts = MakeAbsolute(std::move(*parts));
  if (!parts) return {};
  std::optional<std::filesystem::path> root = DriveRoot(parts->Drive);
  if (!root) return {};
  std::filesystem::path host = *root;
  bool found = true;
  for (const std::string& name : parts->Components)
    host = found ? MatchEntry(host, name, found) : host / name;
  return host;
}

std::string WindowsPath(const std::filesystem::path& hostPath) {
  if (hostPath.empty()) return {};
  std::error_code ec;
  std::filesystem::path absolute = std::filesystem::absolute(hostPath, ec);
  if (ec) return {};
  std::filesystem::path full = std::filesystem::weakly_canonical(absolute, ec);
  if (ec) full = absolute.lexically_normal();

  DosDrive best{'Z', std::filesystem::path("/")};
  std::size_t bestDepth = 0;
  for (const DosDrive& drive : DosDrives()) {
    std::size_t depth = Depth(drive.Root);
    if (StartsWith(full, drive.Root) && depth > bestDepth) {
      best = drive;
      bestDepth = depth;
    }
  }

  std::string result{best.Letter, ':', '\\'};
  bool first = true;
  for (const std::filesystem::path& part : full.lexically_relative(best.Root)) {
    std::string name = part.string();
    if (name.empty() || name == ".") continue;
    if (!first) result += '\\';
    result += name;
    first = false;
  }
  return result;
}

}  // namespace tav
