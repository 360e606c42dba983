#include "app/EarlierRun.h"

#include <memory>

#include "app/CopyBack.h"
#include "app/CopyBackRecord.h"
#include "app/CopyFileInChunks.h"
#include "jet/io/TemporaryFile.h"
#include "platform/base/ProgramFileSystem.h"
#include "platform/base/VbError.h"
#include "platform/dao/DatabaseHold.h"

namespace tav {

namespace {

// What repair names its temporary files after (jet/repair/Repairer.cpp).
constexpr const char* kRepairPurpose = "repair";

constexpr const char* kInterrupted =
    "An earlier run was interrupted while it copied the compacted database back.";

// The copying record's case: finishes the copy back.
EarlierRunOutcome FinishCopyBack(const FileLocation& database, CopyBackRecord& record,
                                 std::unique_ptr<DatabaseLock>& hold) {
  const FileLocation& copy = record.copy();
  const std::string kept =
      "Its complete compacted copy is kept in " + QuotedPath(copy) + ", and the next run will ";
  try {
    hold = HoldDatabase(database);
  } catch (const VbError& inUse) {
    return {false, std::nullopt,
            Explained(inUse.Description(),
                      std::string(kInterrupted) + " The database is incomplete. " + kept +
                          "finish copying it back once no other program uses the database.")};
  }
  auto there = ProgramFileSystem().Stat(copy.host().string());
  if (!there.ok() && there.status().kind() == jet::ErrorKind::kNotFound) {
    // Deleted after the copy back was on the disk: only the record was left to remove.
    IgnoreFailure([&] { record.Remove(); });
    return {};
  }
  CopyProgress progress;
  try {
    CopyFileInChunks(copy, database, true, &progress);
  } catch (const VbError& failed) {
    if (!progress.targetComplete) {
      return {false, std::nullopt,
              Explained(failed.Description(), std::string(kInterrupted) +
                                                  " Finishing that copy failed, and the database is still "
                                                  "incomplete. " +
                                                  kept + "try again.")};
    }
    IgnoreFailure([&] { record.MarkCompacting(); });
    return {true,
            std::string(kInterrupted) + " The copy has been finished from " + QuotedPath(copy) +
                ", which held the complete compacted database; that file could not be deleted (" +
                failed.Description() + "), and the next run removes it.",
            std::nullopt};
  }
  IgnoreFailure([&] { record.Remove(); });
  return {true,
          std::string(kInterrupted) + " The copy has been finished from " + QuotedPath(copy) +
              ", which held the complete compacted database, and that file has been deleted.",
          std::nullopt};
}

// Repair's temporary files of `database`, removed only while this process holds it.
void RemoveRepairLeftovers(const FileLocation& database, std::unique_ptr<DatabaseLock>& hold) {
  jet::FileSystem& files = ProgramFileSystem();
  auto target = files.Resolve(database.host().string());
  if (!target.ok()) return;
  auto found = jet::TemporaryFile::FoundBeside(files, *target, kRepairPurpose);
  if (!found.ok() || found->empty()) return;
  if (!hold) {
    try {
      hold = HoldDatabase(database);
    } catch (const VbError&) {
      return;  // another program uses the database: perhaps a repair of its own
    }
    if (!hold) return;
  }
  for (const std::string& leftover : *found) (void)files.Remove(leftover);
  (void)files.SyncFolder(jet::FolderOf(*target));
}

}  // namespace

EarlierRunOutcome ClearUpEarlierRun(const FileLocation& database) {
  if (database.host().empty()) return {};
  std::unique_ptr<DatabaseLock> hold;
  EarlierRunOutcome outcome;
  try {
    CopyBackRecord record = CopyBackRecord::Find(database);
    switch (record.state()) {
      case CopyBackRecord::State::kNone:
      case CopyBackRecord::State::kForeign:
        break;
      case CopyBackRecord::State::kTorn:
        IgnoreFailure([&] { record.Remove(); });
        break;
      case CopyBackRecord::State::kCompacting:
        IgnoreFailure([&] {
          if (RemoveIfThere(record.copy())) record.Remove();
        });
        break;
      case CopyBackRecord::State::kCopying:
        outcome = FinishCopyBack(database, record, hold);
        break;
    }
  } catch (const VbError& unreadable) {
    // The record cannot be read: nothing is done to the database until it can.
    return {
        false, std::nullopt,
        Explained(unreadable.Description(),
                  "What an earlier run left beside the database cannot be read; the database has not been "
                  "touched.")};
  }
  if (outcome.proceed) RemoveRepairLeftovers(database, hold);
  return outcome;
}

}  // namespace tav
