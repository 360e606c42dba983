// The lock file of a database (DatabaseUse.h), on every system. The name is worked on as
// UTF-8 (char8_t), which no system's narrow encoding changes on the way.
#include <string>

#include "platform/dao/DatabaseUse.h"

namespace tav {
namespace {

namespace fs = std::filesystem;

bool EndsWithMdb(const std::u8string& name) {
  if (name.size() < 4) return false;
  std::u8string tail = name.substr(name.size() - 4);
  for (char8_t& c : tail)
    if (c >= u8'A' && c <= u8'Z') c = static_cast<char8_t>(c - u8'A' + u8'a');
  return tail == u8".mdb";
}

}  // namespace

fs::path LockFilePath(const fs::path& database) {
  std::u8string name = database.filename().u8string();
  if (EndsWithMdb(name)) {
    name.replace(name.size() - 4, 4, u8".ldb");
  } else {
    size_t dot = name.rfind(u8'.');
    if (dot != std::u8string::npos && dot > 0) name.erase(dot);
    name += u8".ldb";
  }
  return database.parent_path() / fs::path(name);
}

}  // namespace tav
