#pragma once
// The database files of each product version, walked in processing order:
//   "TV1": data\list.mdb, history\history.mdb
//   "TV2": data\list.mdb, data\helper.mdb, history\history.mdb, schedule\schedule.mdb
//   any other tag: data\list.mdb alone.
// The folders sit directly below the data root, each written with a trailing backslash.

#include <string>

namespace tav {

struct DatabaseLocation {
  std::string folder;    // data root + "\" + sub-folder, ending in a backslash
  std::string fileName;  // empty once the set is exhausted

  std::string Path() const { return folder + fileName; }
};

// The main database, where every walk starts.
DatabaseLocation FirstDatabase(const std::string& basePath);

// The database after `fileName` for `versionTag`, chosen by exact, case-sensitive
// comparison; an empty file name ends the walk.
DatabaseLocation NextDatabase(const std::string& versionTag, const std::string& basePath,
                              const std::string& fileName);

}  // namespace tav
