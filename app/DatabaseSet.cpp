#include "app/DatabaseSet.h"

#include <array>
#include <span>

namespace tav {

namespace {

struct Entry {
  const char* folder;
  const char* fileName;
};

constexpr std::array<Entry, 2> kVersion1 = {{{"data\\", "list.mdb"}, {"history\\", "history.mdb"}}};
constexpr std::array<Entry, 4> kVersion2 = {{{"data\\", "list.mdb"},
                                             {"data\\", "helper.mdb"},
                                             {"history\\", "history.mdb"},
                                             {"schedule\\", "schedule.mdb"}}};
constexpr std::array<Entry, 1> kOtherVersion = {{{"data\\", "list.mdb"}}};

std::span<const Entry> FileSet(const std::string& versionTag) {
  if (versionTag == "TV1") return kVersion1;
  if (versionTag == "TV2") return kVersion2;
  return kOtherVersion;
}

DatabaseLocation At(const std::string& basePath, const Entry& entry) {
  return {basePath + "\\" + entry.folder, entry.fileName};
}

}  // namespace

DatabaseLocation FirstDatabase(const std::string& basePath) { return At(basePath, kOtherVersion[0]); }

DatabaseLocation NextDatabase(const std::string& versionTag, const std::string& basePath,
                              const std::string& fileName) {
  auto set = FileSet(versionTag);
  for (size_t i = 0; i + 1 < set.size(); ++i) {
    if (fileName == set[i].fileName) return At(basePath, set[i + 1]);
  }
  return {basePath + "\\", ""};
}

}  // namespace tav
