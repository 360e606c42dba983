// A run killed while it copies a compacted database back over the database file.
//
// A child process runs the program's whole logic with the real engine over a generated
// version-2 installation. As soon as history.mdb has been compacted, the child's file-size
// limit is lowered to three copy blocks, so the copy back stops, held in the limit's
// signal, with exactly three blocks written; the parent then kills the child with SIGKILL,
// as ending the task or a crash would.
//
// What the user then finds in history\: history.mdb cut short (the first 192000 bytes of
// the compacted copy and nothing after them; the engine's check finds it damaged) and,
// beside it, db<digits>.bak, the complete compacted database with every row. Renaming that
// file over history.mdb is the way back, and nothing in the program tells the user so.
// The next run finds history.mdb damaged: when the open notices the cut, the run repairs
// it from what survived (the rows beyond the cut are gone) and compacts that; otherwise
// the compaction fails on the missing pages and says so. Either way a box names it, and
// the complete copy stays unused under its random name: that run must never touch it.
//
// Writing the copy beside the database and renaming it over the database would make such
// a kill harmless, but the copy back is meant to keep the database file itself and only
// replace its contents, so the cycle keeps doing that.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "app/DbEngine.h"
#include "app/Main.h"
#include "app/RunState.h"
#include "platform/dao/JetDaoEngine.h"
#include "platform/host/WinPath.h"
#include "tests/support/DatabaseContent.h"
#include "tests/support/GeneratedRun.h"
#include "tests/support/ScriptedWindowServices.h"
#include "tests/support/TempFolder.h"

namespace tav::testing {
namespace {

namespace fs = std::filesystem;

constexpr off_t kBlock = 64000;
constexpr off_t kLimit = 3 * kBlock;

// The child's end of the pipe that tells the parent the copy is held.
int heldFd = -1;

// The write past the limit raised SIGXFSZ: say so and wait here for the kill.
void HoldInCopy(int) {
  const char held = 1;
  (void)!::write(heldFd, &held, 1);
  for (;;) ::pause();
}

// The real engine; once it has compacted history.mdb, no file may grow past kLimit.
class LimitAfterHistory : public DaoEngine {
 public:
  DaoWorkspace& Workspaces(int16_t index) override { return real_->Workspaces(index); }
  void RepairDatabase(const std::string& name) override { real_->RepairDatabase(name); }
  void CompactDatabase(const std::string& source, const std::string& destination,
                       std::optional<std::string> locale, std::optional<int32_t> options,
                       std::optional<std::string> password) override {
    real_->CompactDatabase(source, destination, locale, options, password);
    if (source.ends_with("\\history.mdb")) {
      const rlimit limit{static_cast<rlim_t>(kLimit), static_cast<rlim_t>(kLimit)};
      ::setrlimit(RLIMIT_FSIZE, &limit);
    }
  }

 private:
  std::unique_ptr<DaoEngine> real_ = MakeJetDaoEngine();
};

// The whole run of the child; it never returns to the test.
[[noreturn]] void RunUntilKilled(const fs::path& root, int held) {
  heldFd = held;
  ::signal(SIGXFSZ, HoldInCopy);
  try {
    tav::Run() = RunState{};
    tav::Run().BasePath = WindowsPath(root);
    SetDbEngineFactory([] { return std::make_unique<LimitAfterHistory>(); });
    ScriptedWindowServices ws;
    ws.OnModal("frmChooseVersion", [](Form& f) { f.SetTag("TV2"); });
    ws.AnswerModal("frmPwd", "secret");
    (void)Main(ws);
  } catch (...) {
  }
  ::_exit(3);  // the run got past the copy back without being held
}

TEST(CopyBackKillTest, KilledMidCopyLeavesTheCompleteCopyBesideTheDatabase) {
  const TempFolder folder;
  const fs::path& root = folder.path();
  ASSERT_TRUE(PrepareVersion2Run(root, 300, 0.5));
  const fs::path history = root / "history" / "history.mdb";
  const auto originalSize = fs::file_size(history);
  const TableRows readBefore = ReaderRows(history);
  const TableRows exportedBefore = ExportedRows(history);
  const std::string scheduleBefore = FileBytes(root / "schedule" / "schedule.mdb");

  int held[2];
  ASSERT_EQ(::pipe(held), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(held[0]);
    RunUntilKilled(root, held[1]);
  }
  ::close(held[1]);
  char byte = 0;
  const bool wasHeld = ::read(held[0], &byte, 1) == 1;
  ::close(held[0]);
  // The child now waits inside the copy back (or has ended, when it was never held).
  ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(wasHeld) << "the run never reached the copy back of history.mdb";
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

  // The database holds the first blocks of the compacted copy, and nothing more.
  const auto copies = TemporaryCopies(history.parent_path());
  ASSERT_EQ(copies.size(), 1u);
  const fs::path kept = copies.front();
  EXPECT_EQ(fs::file_size(history), static_cast<uintmax_t>(kLimit));
  ASSERT_GT(fs::file_size(kept), static_cast<uintmax_t>(kLimit))
      << "the copy must be cut short to show anything";
  EXPECT_LT(fs::file_size(kept), originalSize);
  EXPECT_EQ(FileBytes(history), FileBytes(kept).substr(0, kLimit));
  EXPECT_FALSE(CheckProblems(history).empty()) << "a cut database must not pass as sound";

  // Beside it the complete compacted database: sound, every row, read both ways.
  EXPECT_EQ(CheckProblems(kept), std::vector<std::string>{});
  EXPECT_EQ(ReaderRows(kept), readBefore);
  EXPECT_EQ(ExportedRows(kept), exportedBefore);

  // The kill left no lock file, and the database after it was never reached.
  EXPECT_FALSE(fs::exists(root / "history" / "history.ldb"));
  EXPECT_EQ(FileBytes(root / "schedule" / "schedule.mdb"), scheduleBefore);

  // The next run reports history.mdb in a box and leaves the kept copy alone.
  const std::string keptBytes = FileBytes(kept);
  tav::Run() = RunState{};
  tav::Run().BasePath = WindowsPath(root);
  SetDbEngineFactory(MakeJetDaoEngine);
  ScriptedWindowServices next;
  next.OnModal("frmChooseVersion", [](Form& f) { f.SetTag("TV2"); });
  next.AnswerModal("frmPwd", "secret");
  next.AnswerBox(vbCancel);  // to a failed repair, should one come
  (void)Main(next);
  SetDbEngineFactory(nullptr);
  const std::string quoted = "\"" + tav::Run().BasePath + "\\history\\history.mdb\"";
  bool named = false;
  for (const auto& box : next.Boxes()) named = named || box.text.find(quoted) != std::string::npos;
  EXPECT_TRUE(named);
  EXPECT_EQ(TemporaryCopies(history.parent_path()), copies);
  EXPECT_EQ(FileBytes(kept), keptBytes);
}

}  // namespace
}  // namespace tav::testing
