#include "app/CopyBack.h"

#include "app/CopyFileInChunks.h"
#include "platform/base/ProgramFileSystem.h"
#include "platform/base/VbError.h"
#include "platform/files/FileSystem.h"

namespace tav {

namespace {

VbError Failure(const VbError& cause, const std::string& consequence) {
  return VbError(cause.Number(), cause.Source(), Explained(cause.Description(), consequence));
}

}  // namespace

std::string Explained(const std::string& reason, const std::string& consequence) {
  if (reason.empty()) return consequence;
  const char last = reason.back();
  return reason + (last == '.' || last == '!' || last == '?' ? " " : ". ") + consequence;
}

std::string QuotedPath(const FileLocation& file) { return "\"" + file.windows() + "\""; }

CopyBack CopyBack::Begin(const FileLocation& database, const FileLocation& copy) {
  return CopyBack(database, copy, CopyBackRecord::Begin(database, copy));
}

void CopyBack::ReplaceDatabase() {
  CopyBackRecord& record = record_;
  CopyProgress progress;
  try {
    record.MarkCopying();
    CopyFileInChunks(copy_, database_, true, &progress);
  } catch (const VbError& failed) {
    if (progress.targetChanged && !progress.targetComplete) {
      throw Failure(failed, "The database was left incomplete. Its complete compacted copy is kept in " +
                                QuotedPath(copy_) + ", and the next run will finish copying it back.");
    }
    // The database is whole, old or new: the copy is not needed any more.
    IgnoreFailure([&] { record.MarkCompacting(); });
    if (progress.targetComplete) {
      throw Failure(failed, "The database has been compacted, but its compacted copy " + QuotedPath(copy_) +
                                " could not be deleted; the next run removes it.");
    }
    throw Failure(failed, "The database has not been changed. Its compacted copy is kept in " +
                              QuotedPath(copy_) + "; it is not needed, and the next run removes it.");
  }
  // The copy is gone; a record left now only says so to the next run.
  IgnoreFailure([&] { record.Remove(); });
}

void CopyBack::Discard() {
  IgnoreFailure([&] {
    if (RemoveIfThere(copy_)) record_.Remove();
  });
}

bool RemoveIfThere(const FileLocation& file) {
  auto stat = ProgramFileSystem().Stat(file.host().string());
  if (!stat.ok()) return stat.status().kind() == jet::ErrorKind::kNotFound;
  KillFile(file);
  return true;
}

}  // namespace tav
