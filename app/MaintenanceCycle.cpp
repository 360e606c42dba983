#include "app/MaintenanceCycle.h"

#include "app/CycleFiles.h"
#include "app/CycleMessages.h"
#include "app/DatabaseSet.h"
#include "app/DbEngine.h"
#include "app/EarlierRun.h"
#include "app/OpenDb.h"
#include "app/PasswordCheck.h"
#include "app/RunState.h"
#include "platform/base/OsError.h"
#include "platform/base/ProgramFileSystem.h"
#include "platform/base/VbError.h"
#include "platform/dao/DaoErrors.h"
#include "platform/dao/DaoNumbers.h"
#include "platform/dao/DatabaseHold.h"
#include "platform/files/FileSystem.h"

namespace tav {

namespace {

// The cancel answer of frmOptionalPwd.
constexpr const char* kExitAnswer = "#EXIT#\r\n";

// How many names are drawn for a temporary copy before the compaction is given up.
constexpr int kNameDraws = 100;

// Whether a refused open or hold says that another program has the database: in use, or
// opened exclusively. Neither is damage, and no password opens it.
bool SaysInUse(const ErrorRecord& err) {
  return err.Number == kErrFileInUse || err.Number == kErrHeldExclusively;
}

// Whether a failed compaction found the database damaged: the engine's error for a damaged
// database, not a file in use, a full disk or a failing device.
bool FoundDamage(const ErrorRecord& err) { return err.Number == kErrCannotOpenDatabase; }

}  // namespace

MaintenanceCycle::MaintenanceCycle(WindowServices& ws, Form& mainWindow, std::unique_ptr<RandomSource> random)
    : ws_(ws), mainWindow_(mainWindow), random_(std::move(random)) {}

void MaintenanceCycle::PasswordCheck() {
  main_ = FileLocation(FirstDatabase(Run().BasePath).Path());
  // What an earlier run left comes before the check's open.
  mainCleared_ = ClearUp(*main_);
  db_ = CheckMainPassword(ws_, *main_);
}

FileLocation MaintenanceCycle::TakeInHand(const std::string& path) {
  if (main_ && main_->windows() == path) return *main_;
  return FileLocation(path);
}

bool MaintenanceCycle::ClearUp(const FileLocation& database) {
  const EarlierRunOutcome outcome = ClearUpEarlierRun(database);
  if (outcome.finished)
    ws_.MsgBox(CopyFinishedMessage(database.windows(), *outcome.finished), kCopyFinishedStyle);
  if (outcome.failed)
    ws_.MsgBox(CompactFailedMessage(database.windows(), *outcome.failed), kCompactFailedStyle);
  return outcome.proceed;
}

void MaintenanceCycle::Maintain(const std::string& folder, const std::string& fileName) {
  const FileLocation database = TakeInHand(folder + fileName);
  bool cleared = true;
  if (main_ && mainCleared_ && database.windows() == main_->windows()) {
    cleared = *mainCleared_;
    mainCleared_.reset();
  } else {
    cleared = ClearUp(database);
  }
  if (!cleared) {
    // Left for a later run, as it is.
    IgnoreFailure([&] {
      if (db_) db_->Close();
    });
    db_.reset();
    return;
  }
  DeleteLockFile(database);
  TestOpen(database);
  // Nothing is done to the file while it is open here.
  IgnoreFailure([&] {
    if (db_) db_->Close();
  });
  db_.reset();
  if (inUse_) {
    // The compaction would be refused as the open was: the user is told so, and the file
    // and its lock file are left to the program that has them.
    ErrorRecord inUse;
    inUse.Number = kErrFileInUse;
    inUse.Description = DaoError(kErrFileInUse, database.windows(), kSourceEngine).Description();
    Report(database, inUse);
    hold_.reset();
    return;
  }
  if (Run().NeedsRepair) Repair(database);
  // A repair given up leaves the database as it was, without compaction or result line.
  if (!Run().NeedsRepair) Compact(database);
  hold_.reset();
}

void MaintenanceCycle::DeleteLockFile(const FileLocation& database) {
  auto lock = LockFileName(database.FileName());
  if (lock) IgnoreFailure([&] { KillFile(database.Beside(*lock)); });
}

void MaintenanceCycle::TestOpen(const FileLocation& database) {
  ErrorRecord err;
  Run().NeedsRepair = false;
  inUse_ = false;
  // A failed open leaves the database held so far in place; the release after the test
  // open closes whichever one is held. A database that another program takes between the
  // open and the hold fails its test open like one already in use.
  Trap(err, [&] {
    db_ = OpenDb(database, false);
    hold_ = HoldDatabase(database);
  });
  if (err.Number <= 0) return;
  if (SaysInUse(err)) {
    hold_.reset();
    inUse_ = true;
    return;
  }
  if (database.FileName() == kMainDatabase) AskOptionalPassword(err.Description);
  Run().NeedsRepair = true;
}

void MaintenanceCycle::AskOptionalPassword(const std::string& description) {
  std::string answer;
  try {
    std::unique_ptr<Form> dialog = ws_.CreateForm("frmOptionalPwd");
    dialog->Load();
    dialog->SetProperty("lblError", "Caption", description);
    dialog->ShowModal();
    answer = dialog->Tag();
  } catch (const VbError&) {
    return;  // no answer: the password in use stays
  }
  if (answer == kExitAnswer) ws_.End();
  Run().DbPassword = answer;
}

void MaintenanceCycle::Repair(const FileLocation& database) {
  for (;;) {
    ws_.DoEvents();
    ErrorRecord err;
    Trap(err, [&] { DBEngine().RepairDatabase(database); });
    if (err.Number != 0) {
      if (ws_.MsgBox(RepairFailedMessage(database.windows(), err.Description), kRepairFailedStyle) == vbRetry)
        continue;
      return;
    }
    // The repaired file may be a new one in the old one's place: it is held afresh.
    IgnoreFailure([&] { hold_ = HoldDatabase(database); });
    ws_.MsgBox(RepairSucceededMessage(database.windows()), kRepairSucceededStyle);
    Run().NeedsRepair = false;
    return;
  }
}

FileLocation MaintenanceCycle::DrawTemporaryCopy(const FileLocation& database) {
  random_->Reseed();
  for (int draw = 0; draw < kNameDraws; ++draw) {
    FileLocation copy = database.Beside(TemporaryName(random_->Next()));
    auto taken = ProgramFileSystem().Stat(copy.host().string());
    if (!taken.ok() && taken.status().kind() == jet::ErrorKind::kNotFound) return copy;
  }
  throw FileError(kErrPathFileAccess);
}

void MaintenanceCycle::Compact(const FileLocation& database, bool afterRepair) {
  ws_.DoEvents();
  ErrorRecord err;
  FileLocation copy;
  Trap(err, [&] { copy = DrawTemporaryCopy(database); });
  const std::string password = CompactPasswordArgument(database.FileName(), Run().DbPassword);
  Run().WasCompacted = true;
  // A database that cannot be written is refused before anything is written beside it.
  if (err.Number == 0) {
    Trap(err, [&] { RequireWriteAccess(database); });
    if (err.Number != 0)
      err.Description =
          Explained(err.Description, "The database cannot be written, so it has not been compacted.");
  }
  std::optional<CopyBack> copyBack;
  if (err.Number == 0) Trap(err, [&] { copyBack = CopyBack::Begin(database, copy); });
  if (err.Number == 0) {
    Trap(err, [&] { DBEngine().CompactDatabase(database, copy, std::nullopt, std::nullopt, password); });
    if (err.Number == 0) {
      ReplaceIfSmaller(database, copy, *copyBack, err);
    } else {
      // Whatever the engine left under the temporary name goes too.
      copyBack->Discard();
      if (!afterRepair && FoundDamage(err)) {
        RepairFoundDamage(database);
        return;
      }
    }
  }
  Report(database, err);
}

void MaintenanceCycle::RepairFoundDamage(const FileLocation& database) {
  // The repair takes the file to itself; it is held afresh once repaired.
  hold_.reset();
  Run().NeedsRepair = true;
  Repair(database);
  if (!Run().NeedsRepair) Compact(database, true);
}

void MaintenanceCycle::ReplaceIfSmaller(const FileLocation& database, const FileLocation& copy,
                                        CopyBack& copyBack, ErrorRecord& err) {
  bool smaller = false;
  // A length that cannot be read is reported like a failed compaction.
  Trap(err, [&] { smaller = FileLength(database) > FileLength(copy); });
  if (err.Number != 0 || !smaller) {
    if (err.Number == 0) Run().WasCompacted = false;
    copyBack.Discard();
    return;
  }
  Trap(err, [&] { copyBack.ReplaceDatabase(); });
}

void MaintenanceCycle::Report(const FileLocation& database, const ErrorRecord& err) {
  if (err.Number != 0) {
    ws_.MsgBox(CompactFailedMessage(database.windows(), err.Description), kCompactFailedStyle);
    return;
  }
  const std::string display = PropText(mainWindow_, "txtFiles", "Text");
  mainWindow_.SetProperty("txtFiles", "Text",
                          AppendResultLine(display, ResultLine(database.windows(), Run().WasCompacted)));
  mainWindow_.Refresh("txtFiles");
}

}  // namespace tav
