#pragma once
// Compacting a database into a temporary copy beside it and putting the copy in its place,
// in an order that leaves, whatever stops the run (a crash, a kill, a power cut, a full
// disk), either the database whole or its complete compacted copy beside it, with a record
// (app/CopyBackRecord.h) that tells the next run which (app/EarlierRun.h):
//   1. Begin: the compacting record, naming the copy, is on the disk before the engine
//      writes the copy (which syncs the copy's contents when it is complete).
//   2. ReplaceDatabase: the record is renamed to copying and its folder flushed, which also
//      makes the copy's folder entry durable; only then is the database emptied and
//      written (CopyFileInChunks), and its new contents flushed; then the copy is deleted,
//      and the record goes last.
//   Discard instead of 2 when the copy is not used: the copy goes first, then the record.

#include "app/CopyBackRecord.h"
#include "platform/host/FileLocation.h"

namespace tav {

class CopyBack {
 public:
  // Step 1 for compacting `database` into `copy`. Throws VbError: the compaction must then
  // not start.
  static CopyBack Begin(const FileLocation& database, const FileLocation& copy);

  // Step 2. A failure is thrown as a VbError whose description gives the reason and then says
  // what became of the database and of the copy: unchanged (the copy is kept and the next
  // run removes it), left incomplete (the copy is kept and the next run finishes the copy
  // back), or compacted with the copy left over.
  void ReplaceDatabase();

  // Removes the copy, when there, and then the record. What cannot be removed stays named
  // by the record, for the next run; nothing is thrown.
  void Discard();

 private:
  CopyBack(FileLocation database, FileLocation copy, CopyBackRecord record)
      : database_(std::move(database)), copy_(std::move(copy)), record_(std::move(record)) {}

  FileLocation database_;
  FileLocation copy_;
  CopyBackRecord record_;
};

// `reason` followed by `consequence` as one description.
std::string Explained(const std::string& reason, const std::string& consequence);

// The copy's path as the descriptions quote it.
std::string QuotedPath(const FileLocation& file);

// Deletes `file` (KillFile) when it is there. True when it is gone now; false, or a VbError,
// when it may still be there.
bool RemoveIfThere(const FileLocation& file);

}  // namespace tav
