#pragma once
// The record the maintenance cycle keeps beside a database while it compacts it and copies
// the compacted copy back, so that a later run knows what an interrupted one left behind.
// It is a small text file in the database's folder, named after the database:
//
//   "<database>.compacting"  made durable before the compaction starts. It names the
//                            temporary copy ("db" + digits + ".bak"), which is therefore
//                            this program's to remove, whatever state it was left in; the
//                            database itself is untouched while the record has this name.
//   "<database>.copying"     the same file renamed, durably, once the compacted copy is
//                            complete and on the disk, just before the database is emptied:
//                            the copy back may have begun, and the copy is what the
//                            database must become.
//
// Its contents, written once:
//   Tavimer maintenance record
//   database <file name of the database>
//   copy <file name of the temporary copy>
//   check <16 hex digits: a hash of the three lines above>
// each line ending in CR LF. A record cut short by a power cut fails the check.
//
// Every call goes through the program's file system; failures are thrown as VbError.

#include <string>

#include "platform/host/FileLocation.h"

namespace tav {

class CopyBackRecord {
 public:
  enum class State {
    kNone,        // no record of ours
    kCompacting,  // the database is untouched; the copy, if any, is not needed
    kCopying,     // the copy back may have begun; the copy must be finished
    kTorn,        // a compacting record cut short while it was written: nothing was begun
    kForeign,     // a file of that name that is not a record of this program
  };

  // The record of `database`, as found on the disk.
  static CopyBackRecord Find(const FileLocation& database);
  // Writes a compacting record naming `copy` and makes it and its folder entry durable.
  static CopyBackRecord Begin(const FileLocation& database, const FileLocation& copy);

  State state() const { return state_; }
  // The temporary copy it names (kCompacting, kCopying).
  const FileLocation& copy() const { return copy_; }
  // Where the record is (every state but kNone).
  const FileLocation& file() const { return file_; }

  // Renames the record between its two states, durably.
  void MarkCopying();
  void MarkCompacting();
  // Removes the record and makes that durable. Nothing is left of it afterwards.
  void Remove();

 private:
  CopyBackRecord(State state, FileLocation database, FileLocation file, FileLocation copy)
      : state_(state), database_(std::move(database)), file_(std::move(file)), copy_(std::move(copy)) {}
  void Rename(State to);

  State state_ = State::kNone;
  FileLocation database_;
  FileLocation file_;
  FileLocation copy_;
};

}  // namespace tav
