#pragma once
// The maintenance work that the start-up routine drives: the password check of the main
// database, then, database by database, lock-file cleanup, test open, repair, compaction
// into a temporary file in the same folder, and copy back when the compacted file is
// smaller. Outcomes are shown as message boxes or as result lines appended to txtFiles
// of the main window.

#include <memory>
#include <set>
#include <string>

#include "app/RandomSource.h"
#include "platform/base/VbError.h"
#include "platform/dao/DaoEngine.h"
#include "platform/dao/DatabaseLock.h"
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
  void DeleteLockFile(const std::string& folder, const std::string& fileName);
  void TestOpen(const std::string& folder, const std::string& fileName);
  void AskOptionalPassword(const std::string& description);
  void Repair(const std::string& path);
  void Compact(const std::string& folder, const std::string& fileName);
  std::string DrawTemporaryPath(const std::string& folder);
  void ReplaceIfSmaller(const std::string& path, const std::string& tempPath, ErrorRecord& err);
  void Report(const std::string& path, const ErrorRecord& err);

  WindowServices& ws_;
  Form& mainWindow_;
  std::unique_ptr<RandomSource> random_;
  // The database held open: from a successful password check until the test open of the
  // main database takes its place, and from each test open until its release.
  std::unique_ptr<DaoDatabase> db_;
  // Once a test open has found the database free, other programs are kept off it until
  // its copy back is done (platform/dao/DatabaseHold.h).
  std::unique_ptr<DatabaseLock> hold_;
  // Temporary files that hold the only complete compacted copy after a failed copy back;
  // later compactions never choose these names.
  std::set<std::string> keptCopies_;
};

}  // namespace tav
