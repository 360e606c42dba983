// A run killed (SIGKILL, as a crash, a logout or ending the task would) while it copies the
// compacted history.mdb, about 100 MB, back over the database file, and the run after it.
//
// A child process runs the program's whole logic with the real engine over a generated
// version-2 installation. As soon as history.mdb has been compacted, the child's file-size
// limit is lowered, so the copy back stops, held in the limit's signal, with the database
// exactly that long: 0 bytes (emptied, nothing written yet), one block, half of the copy, all
// but its last byte. The parent then kills the child.
//
// What is left: history.mdb cut short, beside it the complete compacted copy and the record
// that names it. The next run finishes the copy back from that copy before it does anything
// else to the database, says so with both paths, and maintains everything; every row is
// back, the database checks sound, and nothing of the program's own files stays behind.

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
#include "tests/support/DamagedCopies.h"
#include "tests/support/DatabaseContent.h"
#include "tests/support/GeneratedRun.h"
#include "tests/support/ScriptedWindowServices.h"
#include "tests/support/TempFolder.h"

namespace tav::testing {
namespace {

namespace fs = std::filesystem;

// Recipients of a generated installation whose history.mdb is over 100 MB, compacted or not.
constexpr uint64_t kRecipients = 9200;
constexpr off_t kBlock = 64000;

// The child's end of the pipe that tells the parent the copy is held.
int heldFd = -1;

// The write past the limit raised SIGXFSZ: say so and wait here for the kill.
void HoldInCopy(int) {
  const char held = 1;
  (void)!::write(heldFd, &held, 1);
  for (;;) ::pause();
}

// The real engine; once it has compacted history.mdb, no file may grow past `limit`.
class LimitAfterHistory : public DaoEngine {
 public:
  explicit LimitAfterHistory(off_t limit) : limit_(limit) {}
  DaoWorkspace& Workspaces(int16_t index) override { return real_->Workspaces(index); }
  void RepairDatabase(const FileLocation& name) override { real_->RepairDatabase(name); }
  void CompactDatabase(const FileLocation& source, const FileLocation& destination,
                       std::optional<std::string> locale, std::optional<int32_t> options,
                       std::optional<std::string> password) override {
    real_->CompactDatabase(source, destination, locale, options, password);
    if (source.windows().ends_with("\\history.mdb")) {
      const rlimit limit{static_cast<rlim_t>(limit_), static_cast<rlim_t>(limit_)};
      ::setrlimit(RLIMIT_FSIZE, &limit);
    }
  }

 private:
  off_t limit_;
  std::unique_ptr<DaoEngine> real_ = MakeJetDaoEngine();
};

void ScriptRun(ScriptedWindowServices& ws) {
  ws.OnModal("frmChooseVersion", [](Form& f) { f.SetTag("TV2"); });
  ws.AnswerModal("frmPwd", "secret");
}

// The whole run of the child; it never returns to the test.
[[noreturn]] void RunUntilKilled(const fs::path& root, off_t limit, int held) {
  heldFd = held;
  ::signal(SIGXFSZ, HoldInCopy);
  try {
    tav::Run() = RunState{};
    tav::Run().BasePath = WindowsPath(root);
    SetDbEngineFactory([limit] { return std::make_unique<LimitAfterHistory>(limit); });
    ScriptedWindowServices ws;
    ScriptRun(ws);
    (void)Main(ws);
  } catch (...) {
  }
  ::_exit(3);  // the run got past the copy back without being held
}

// Kills a run of the program over `root` once the copy back of history.mdb has written
// `limit` bytes. False when the run never got there.
bool KillDuringCopyBack(const fs::path& root, off_t limit) {
  int held[2];
  if (::pipe(held) != 0) return false;
  const pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) {
    ::close(held[0]);
    RunUntilKilled(root, limit, held[1]);
  }
  ::close(held[1]);
  char byte = 0;
  const bool wasHeld = ::read(held[0], &byte, 1) == 1;
  ::close(held[0]);
  ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  return wasHeld && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

// Where the run is killed: how much of the compacted copy the database then holds.
enum class KillPoint { kEmptied, kFirstBlock, kHalfWay, kLastByte };

class CopyBackKillTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    installation_ = new TempFolder;
    ASSERT_TRUE(PrepareVersion2Run(installation_->path(), kRecipients, 0.1));
    const fs::path history = installation_->path() / "history" / "history.mdb";
    rows_ = new TableRows(ReaderRows(history));
    // The run's compaction makes the same copy as the engine's own.
    const fs::path compacted = installation_->path() / "compacted.mdb";
    fs::copy_file(history, compacted);
    CompactInPlace(compacted);
    compactedSize_ = static_cast<off_t>(fs::file_size(compacted));
    fs::remove(compacted);
    ASSERT_GE(compactedSize_, off_t{100000000}) << "the copy back is to be of 100 MB at least";
  }
  static void TearDownTestSuite() {
    delete rows_;
    delete installation_;
  }
  void TearDown() override { SetDbEngineFactory(nullptr); }

  static off_t Limit(KillPoint point) {
    switch (point) {
      case KillPoint::kEmptied:
        return 0;
      case KillPoint::kFirstBlock:
        return kBlock;
      case KillPoint::kHalfWay:
        return compactedSize_ / kBlock / 2 * kBlock;
      case KillPoint::kLastByte:
        break;
    }
    return compactedSize_ - 1;
  }

  void KillAndRunAgain(KillPoint point);

  static TempFolder* installation_;
  static TableRows* rows_;
  static off_t compactedSize_;
  TempFolder scratch_;
};

TempFolder* CopyBackKillTest::installation_ = nullptr;
TableRows* CopyBackKillTest::rows_ = nullptr;
off_t CopyBackKillTest::compactedSize_ = 0;

const char* PointName(KillPoint point) {
  switch (point) {
    case KillPoint::kEmptied:
      return "right after the database was emptied";
    case KillPoint::kFirstBlock:
      return "after the first block";
    case KillPoint::kHalfWay:
      return "half way";
    case KillPoint::kLastByte:
      break;
  }
  return "before the last byte";
}

// One installation for every point (generating it is what takes time), copied afresh for each.
TEST_F(CopyBackKillTest, TheNextRunFinishesTheCopyBackAndSaysSo) {
  for (KillPoint point :
       {KillPoint::kEmptied, KillPoint::kFirstBlock, KillPoint::kHalfWay, KillPoint::kLastByte}) {
    SCOPED_TRACE(PointName(point));
    KillAndRunAgain(point);
  }
}

void CopyBackKillTest::KillAndRunAgain(KillPoint point) {
  const fs::path root = scratch_ / "Tavimer2";
  fs::remove_all(root);
  fs::copy(installation_->path(), root, fs::copy_options::recursive);
  const fs::path folder = root / "history";
  const fs::path history = folder / "history.mdb";
  const uintmax_t originalSize = fs::file_size(history);
  const off_t limit = Limit(point);
  ASSERT_TRUE(KillDuringCopyBack(root, limit)) << "the run never reached the copy back of history.mdb";

  // The database holds the first `limit` bytes of the copy; beside it the copy and its record.
  const auto copies = TemporaryCopies(folder);
  ASSERT_EQ(copies.size(), 1u);
  const fs::path kept = copies.front();
  EXPECT_EQ(fs::file_size(kept), static_cast<uintmax_t>(compactedSize_));
  EXPECT_LT(fs::file_size(kept), originalSize);
  EXPECT_EQ(fs::file_size(history), static_cast<uintmax_t>(limit));
  EXPECT_EQ(FileBytes(history), FileBytes(kept).substr(0, static_cast<size_t>(limit)));
  EXPECT_TRUE(fs::exists(folder / "history.mdb.copying"));

  // The next run finishes the copy back first and says so, naming the database and the copy.
  tav::Run() = RunState{};
  tav::Run().BasePath = WindowsPath(root);
  SetDbEngineFactory(MakeJetDaoEngine);
  ScriptedWindowServices next;
  ScriptRun(next);
  (void)Main(next);
  const std::string historyPath = tav::Run().BasePath + "\\history\\history.mdb";
  ASSERT_EQ(next.Boxes().size(), 1u);
  const auto& box = next.Boxes()[0];
  EXPECT_EQ(box.style, 64);
  EXPECT_EQ(
      box.text.rfind(
          "The database\r\n\r\n\"" + historyPath + "\"\r\n\r\nhas been successfully repaired\r\n\r\n", 0),
      0u)
      << box.text;
  EXPECT_NE(box.text.find("\"" + tav::Run().BasePath + "\\history\\" + kept.filename().string() + "\""),
            std::string::npos)
      << box.text;

  EXPECT_EQ(RowsDifference(ReaderRows(history), *rows_), "");
  EXPECT_EQ(CheckProblems(history), std::vector<std::string>{});
  if (point == KillPoint::kEmptied) {
    EXPECT_EQ(RowsDifference(ExportedRows(history),
                             ExportedRows(installation_->path() / "history" / "history.mdb")),
              "");
  }
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    EXPECT_EQ(entry.path().extension(), ".mdb") << entry.path();
  }
}

}  // namespace
}  // namespace tav::testing
