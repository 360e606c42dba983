#pragma once
// What an earlier run that was stopped (a crash, a kill, a power cut, a full disk) left
// beside a database, dealt with before its lock file is deleted or it is opened:
//   - a copying record (app/CopyBackRecord.h): the copy back may have begun. The database
//     is held against other programs and the copy back is finished from the complete
//     compacted copy the record names; then the copy and the record go. A database that
//     another program uses now is left as it is, with its record and its copy, for a
//     later run. A record whose copy is gone was left after the copy back had finished
//     (the copy is deleted only once the database is on the disk): it goes;
//   - a compacting record, or one cut short while it was written: the database was never
//     touched. The copy it names, in whatever state, and the record go;
//   - repair's hidden temporary files of the database (jet/io/TemporaryFile.h), while the
//     database is held, so that no repair of another process can be using them.
// Files that merely look like ours (a "db<digits>.bak" that no record names, a file of a
// record's name that is not a record) are never touched.

#include <optional>
#include <string>

#include "platform/host/FileLocation.h"

namespace tav {

struct EarlierRunOutcome {
  // The database may now be worked on.
  bool proceed = true;
  // Set when an interrupted copy back was finished: what happened, for the user.
  std::optional<std::string> finished;
  // Set when an interrupted copy back could not be finished: the reason and what is left
  // where, for the user.
  std::optional<std::string> failed;
};

EarlierRunOutcome ClearUpEarlierRun(const FileLocation& database);

}  // namespace tav
