#include "app/MaintenanceCycle.h"

#include "app/CopyFileInChunks.h"
#include "app/CycleFiles.h"
#include "app/CycleMessages.h"
#include "app/DatabaseSet.h"
#include "app/DbEngine.h"
#include "app/OpenDb.h"
#include "app/PasswordCheck.h"
#include "app/RunState.h"
#include "platform/dao/DatabaseHold.h"
#include "platform/files/FileSystem.h"

namespace tav {

namespace {

// The cancel answer of frmOptionalPwd.
constexpr const char* kExitAnswer = "#EXIT#\r\n";

template <typename Step>
void IgnoreFailure(Step&& step) {
  ErrorRecord ignored;
  Trap(ignored, step);
}

}  // namespace

MaintenanceCycle::MaintenanceCycle(WindowServices& ws, Form& mainWindow, std::unique_ptr<RandomSource> random)
    : ws_(ws), mainWindow_(mainWindow), random_(std::move(random)) {}

void MaintenanceCycle::PasswordCheck() { db_ = CheckMainPassword(ws_, FirstDatabase(Run().BasePath).Path()); }

void MaintenanceCycle::Maintain(const std::string& folder, const std::string& fileName) {
  DeleteLockFile(folder, fileName);
  TestOpen(folder, fileName);
  // Nothing is done to the file while it is open here.
  IgnoreFailure([&] {
    if (db_) db_->Close();
  });
  db_.reset();
  if (Run().NeedsRepair) Repair(folder + fileName);
  // A repair given up leaves the database as it was, without compaction or result line.
  if (!Run().NeedsRepair) Compact(folder, fileName);
  hold_.reset();
}

void MaintenanceCycle::DeleteLockFile(const std::string& folder, const std::string& fileName) {
  auto lock = LockFileName(fileName);
  if (lock) IgnoreFailure([&] { KillFile(folder + *lock); });
}

void MaintenanceCycle::TestOpen(const std::string& folder, const std::string& fileName) {
  ErrorRecord err;
  Run().NeedsRepair = false;
  // A failed open leaves the database held so far in place; the release after the test
  // open closes whichever one is held. A database that another program takes between the
  // open and the hold fails its test open like one already in use.
  Trap(err, [&] {
    db_ = OpenDb(folder + fileName, false);
    hold_ = HoldDatabase(folder + fileName);
  });
  if (err.Number <= 0) return;
  if (fileName == kMainDatabase) AskOptionalPassword(err.Description);
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

void MaintenanceCycle::Repair(const std::string& path) {
  for (;;) {
    ws_.DoEvents();
    ErrorRecord err;
    Trap(err, [&] { DBEngine().RepairDatabase(path); });
    if (err.Number != 0) {
      if (ws_.MsgBox(RepairFailedMessage(path, err.Description), kRepairFailedStyle) == vbRetry) continue;
      return;
    }
    // The repaired file may be a new one in the old one's place: it is held afresh.
    IgnoreFailure([&] { hold_ = HoldDatabase(path); });
    ws_.MsgBox(RepairSucceededMessage(path), kRepairSucceededStyle);
    Run().NeedsRepair = false;
    return;
  }
}

std::string MaintenanceCycle::DrawTemporaryPath(const std::string& folder) {
  random_->Reseed();
  std::string path = folder + TemporaryName(random_->Next());
  while (keptCopies_.count(path) != 0) path = folder + TemporaryName(random_->Next());
  return path;
}

void MaintenanceCycle::Compact(const std::string& folder, const std::string& fileName) {
  const std::string path = folder + fileName;
  ws_.DoEvents();
  const std::string tempPath = DrawTemporaryPath(folder);
  IgnoreFailure([&] { KillFile(tempPath); });
  ErrorRecord err;
  const std::string password = CompactPasswordArgument(fileName, Run().DbPassword);
  Run().WasCompacted = true;
  Trap(err, [&] { DBEngine().CompactDatabase(path, tempPath, std::nullopt, std::nullopt, password); });
  if (err.Number == 0) ReplaceIfSmaller(path, tempPath, err);
  Report(path, err);
}

void MaintenanceCycle::ReplaceIfSmaller(const std::string& path, const std::string& tempPath,
                                        ErrorRecord& err) {
  bool smaller = false;
  // A length that cannot be read is reported like a failed compaction.
  Trap(err, [&] { smaller = FileLength(path) > FileLength(tempPath); });
  if (err.Number != 0) return;
  if (!smaller) {
    Run().WasCompacted = false;
    IgnoreFailure([&] { KillFile(tempPath); });
    return;
  }
  Trap(err, [&] { CopyFileInChunks(tempPath, path, true); });
  if (err.Number != 0) keptCopies_.insert(tempPath);
}

void MaintenanceCycle::Report(const std::string& path, const ErrorRecord& err) {
  if (err.Number != 0) {
    ws_.MsgBox(CompactFailedMessage(path, err.Description), kCompactFailedStyle);
    return;
  }
  const std::string display = PropText(mainWindow_, "txtFiles", "Text");
  mainWindow_.SetProperty("txtFiles", "Text",
                          AppendResultLine(display, ResultLine(path, Run().WasCompacted)));
  mainWindow_.Refresh("txtFiles");
}

}  // namespace tav
