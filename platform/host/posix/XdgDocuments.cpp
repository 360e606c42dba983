#include "platform/host/posix/XdgDocuments.h"

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <system_error>

namespace tav {

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

std::filesystem::path ConfigFolder(const std::string& home) {
  std::string configured = Environment("XDG_CONFIG_HOME");
  if (!configured.empty() && configured.front() == '/') return configured;
  if (home.empty()) return {};
  return std::filesystem::path(home) / ".config";
}

// The value of a line `XDG_DOCUMENTS_DIR="..."`: "$HOME" at its start stands for the
// home folder, a backslash quotes the next character; only absolute results count.
std::optional<std::filesystem::path> ParseDocumentsLine(const std::string& line, const std::string& home) {
  const std::string key = "XDG_DOCUMENTS_DIR=\"";
  std::size_t start = line.find_first_not_of(" \t");
  if (start == std::string::npos || line.compare(start, key.size(), key) != 0) return std::nullopt;
  std::string value;
  for (std::size_t i = start + key.size(); i < line.size() && line[i] != '"'; ++i) {
    if (line[i] == '\\' && i + 1 < line.size()) ++i;
    value += line[i];
  }
  if (value.rfind("$HOME", 0) == 0) {
    if (home.empty()) return std::nullopt;
    value = home + value.substr(5);
  }
  if (value.empty() || value.front() != '/') return std::nullopt;
  return std::filesystem::path(value).lexically_normal();
}

std::optional<std::filesystem::path> ConfiguredDocuments(const std::string& home) {
  std::filesystem::path config = ConfigFolder(home);
  if (config.empty()) return std::nullopt;
  std::ifstream file(config / "user-dirs.dirs");
  std::optional<std::filesystem::path> found;
  // The last assignment wins, as when the file is sourced by a shell.
  for (std::string line; std::getline(file, line);)
    if (auto value = ParseDocumentsLine(line, home)) found = value;
  return found;
}

bool SameFolder(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec);
}

bool IsFolder(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::is_directory(path, ec);
}

}  // namespace

std::filesystem::path XdgDocumentsFolder() {
  std::string home = Environment("HOME");
  if (auto configured = ConfiguredDocuments(home);
      configured && IsFolder(*configured) && !(!home.empty() && SameFolder(*configured, home)))
    return *configured;
  if (home.empty()) return {};
  std::filesystem::path fallback = std::filesystem::path(home) / "Documents";
  return IsFolder(fallback) ? fallback : std::filesystem::path();
}

}  // namespace tav
