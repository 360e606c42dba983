#pragma once
// The maintenance work that the start-up routine drives: the password check of the main
// database, then, database by database, what an earlier run left (app/EarlierRun.h),
// lock-file cleanup, test open, repair, compaction into a temporary file in the same folder,
// and copy back when the compacted file is smaller (app/CopyBack.h). Outcomes are shown as
// message boxes or as result lines appended to txtFiles of the main window.
//
// Each database's Windows path is resolved to its host file once, when the cycle takes it in
// hand (the main database's in the password check), and that location is what every
// operation on it, and on the files named beside it, is given.

#include <memory>
#include <optional>
#include <string>

#include "app/CopyBack.h"
#include "app/RandomSource.h"
#include "platform/base/VbError.h"
#include "platform/dao/DaoEngine.h"
#include "platform/dao/DatabaseLock.h"
#include "platform/host/FileLocation.h"
#include "platform/window/WindowServices.h"

namespace tav {

// The two operations the start-up routine calls; tests substitute a recorder.
class DatabaseCycle {
 public:
  virtual ~DatabaseCycle() = default;
  // Run once, before any file is touched. May end the program.
  virtual void PasswordCheck() = 0;
  // One database: `folder` ends in a backslash, the database is folder + fileName.
  virtual void Maintain(const std::string& folder, const std::string& fileName) = 0;
};

// The real cycle, on the run state (Run()), the engine (DBEngine()) and the text table.
// `mainWindow` is the loaded main window; it must outlive the cycle.
class MaintenanceCycle : public DatabaseCycle {
 public:
  MaintenanceCycle(WindowServices& ws, Form& mainWindow,
                   std::unique_ptr<RandomSource> random = std::make_unique<TimeSeededRandom>());

  void PasswordCheck() override;
  void Maintain(const std::string& folder, const std::string& fileName) override;

 private:
  // The database at `path`, resolved now, or the main database as the password check took it.
  FileLocation TakeInHand(const std::string& path);
  // Deals with what an earlier run left and says so; false when the database is to be left
  // alone in this run.
  bool ClearUp(const FileLocation& database);
  void DeleteLockFile(const FileLocation& database);
  void TestOpen(const FileLocation& database);
  void AskOptionalPassword(const std::string& description);
  void Repair(const FileLocation& database);
  void Compact(const FileLocation& database);
  // A temporary copy's location beside the database, under a drawn name that nothing in the
  // folder has: a file that is there already is never deleted, since it may be the user's
  // or a copy that an interrupted copy back still needs.
  FileLocation DrawTemporaryCopy(const FileLocation& database);
  void ReplaceIfSmaller(const FileLocation& database, const FileLocation& copy, CopyBack& copyBack,
                        ErrorRecord& err);
  void Report(const FileLocation& database, const ErrorRecord& err);

  WindowServices& ws_;
  Form& mainWindow_;
  std::unique_ptr<RandomSource> random_;
  // The main database as the password check took it in hand, and whether what an earlier
  // run left there allowed working on it.
  std::optional<FileLocation> main_;
  std::optional<bool> mainCleared_;
  // The database held open: from a successful password check until the test open of the
  // main database takes its place, and from each test open until its release.
  std::unique_ptr<DaoDatabase> db_;
  // Once a test open has found the database free, other programs are kept off it until
  // its copy back is done (platform/dao/DatabaseHold.h).
  std::unique_ptr<DatabaseLock> hold_;
};

}  // namespace tav
