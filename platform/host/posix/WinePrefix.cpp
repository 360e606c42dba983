#include "platform/host/posix/WinePrefix.h"

#include <cstdlib>
#include <string>
#include <system_error>

namespace tav {

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

}  // namespace

std::filesystem::path WinePrefix() {
  std::filesystem::path prefix;
  if (std::string fromEnvironment = Environment("WINEPREFIX"); !fromEnvironment.empty()) {
    prefix = fromEnvironment;
  } else if (std::string home = Environment("HOME"); !home.empty()) {
    prefix = std::filesystem::path(home) / ".wine";
  } else {
    return {};
  }
  std::error_code ec;
  if (!std::filesystem::is_directory(prefix, ec)) return {};
  std::filesystem::path absolute = std::filesystem::absolute(prefix, ec);
  if (ec) return {};
  std::filesystem::path normal = absolute.lexically_normal();
  if (!normal.has_filename() && normal != normal.root_path()) normal = normal.parent_path();
  return normal;
}

}  // namespace tav
