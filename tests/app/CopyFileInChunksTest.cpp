#include <fcntl.h>
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>

#include "app/CopyFileInChunks.h"
#include "platform/base/VbError.h"
#include "platform/host/WinPath.h"
#include "tests/platform/HeldFile.h"
#include "tests/support/TempFolder.h"

namespace tav {
namespace {

using testing::PatternBytes;
using testing::ReadBytes;
using testing::WriteBytes;

class CopyFileInChunksTest : public ::testing::Test {
 protected:
  std::string Win(const std::filesystem::path& p) { return WindowsPath(p); }

  testing::TempFolder dir_;
  std::filesystem::path source_ = dir_ / "db48213.bak";
  std::filesystem::path target_ = dir_ / "list.mdb";
};

// The read and write calls this thread has made so far, as the kernel counts them.
struct IoCalls {
  long reads = -1;
  long writes = -1;
};

IoCalls ThreadIoCalls() {
  IoCalls calls;
  std::ifstream in("/proc/thread-self/io");
  std::string key;
  for (long value = 0; in >> key >> value;) {
    if (key == "syscr:") calls.reads = value;
    if (key == "syscw:") calls.writes = value;
  }
  return calls;
}

// The calls `copy` makes, without those of the counting itself.
IoCalls CallsOf(const std::function<void()>& copy) {
  const IoCalls idle0 = ThreadIoCalls();
  const IoCalls idle1 = ThreadIoCalls();
  copy();
  const IoCalls done = ThreadIoCalls();
  return {done.reads - 2 * idle1.reads + idle0.reads, done.writes - 2 * idle1.writes + idle0.writes};
}

// Each size is copied exactly, with one read and one write per 64000-byte block and one
// for the remainder (the calls show the block size; the copied bytes alone do not), plus
// the write of the empty line.
TEST_F(CopyFileInChunksTest, BlockBoundariesCopyExactly) {
  ASSERT_GE(ThreadIoCalls().reads, 0) << "the kernel does not count this thread's read and write calls";
  for (size_t size : {1000u, 63999u, 64000u, 64001u, 128000u, 128001u, 200000u}) {
    SCOPED_TRACE(size);
    auto bytes = PatternBytes(size, static_cast<unsigned>(size));
    WriteBytes(source_, bytes);
    const IoCalls calls = CallsOf([&] { CopyFileInChunks(Win(source_), Win(target_), true); });
    EXPECT_EQ(ReadBytes(target_), bytes);
    EXPECT_FALSE(std::filesystem::exists(source_));
    const long blocks = static_cast<long>(size / 64000 + (size % 64000 != 0 ? 1 : 0));
    EXPECT_EQ(calls.reads, blocks) << "read calls";
    EXPECT_EQ(calls.writes, 1 + blocks) << "write calls";
  }
}

TEST_F(CopyFileInChunksTest, LongerTargetIsCutToTheSourceLength) {
  WriteBytes(target_, PatternBytes(300000, 7));
  auto bytes = PatternBytes(64001, 8);
  WriteBytes(source_, bytes);
  CopyFileInChunks(Win(source_), Win(target_), false);
  EXPECT_EQ(ReadBytes(target_), bytes);
  EXPECT_EQ(ReadBytes(source_), bytes) << "source kept when not asked to delete it";

  WriteBytes(source_, {'A', 'B'});
  CopyFileInChunks(Win(source_), Win(target_), false);
  EXPECT_EQ(ReadBytes(target_), (std::vector<char>{'A', 'B'}));
}

TEST_F(CopyFileInChunksTest, EmptySourceLeavesTheEmptyLine) {
  WriteBytes(target_, PatternBytes(5000));
  WriteBytes(source_, {});
  CopyFileInChunks(Win(source_), Win(target_), true);
  EXPECT_EQ(ReadBytes(target_), (std::vector<char>{'\r', '\n'}));
  EXPECT_FALSE(std::filesystem::exists(source_));
}

TEST_F(CopyFileInChunksTest, MissingSourceWritesNothing) {
  auto before = PatternBytes(70000, 3);
  WriteBytes(target_, before);
  try {
    CopyFileInChunks(Win(source_), Win(target_), true);
    FAIL();
  } catch (const VbError& e) {
    EXPECT_EQ(e.Number(), 53);
  }
  EXPECT_EQ(ReadBytes(target_), before);
  EXPECT_THROW(CopyFileInChunks(Win(source_), Win(dir_ / "new.mdb"), false), VbError);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "new.mdb"));
}

TEST_F(CopyFileInChunksTest, TargetThatCannotBeWrittenKeepsTheSource) {
  auto bytes = PatternBytes(1000);
  WriteBytes(source_, bytes);
  EXPECT_THROW(CopyFileInChunks(Win(source_), Win(dir_ / "no" / "list.mdb"), true), VbError);
  EXPECT_EQ(ReadBytes(source_), bytes);

  // Copying a file over itself must not empty it: the open source denies the text output.
  try {
    CopyFileInChunks(Win(source_), Win(source_), true);
    FAIL();
  } catch (const VbError& e) {
    EXPECT_EQ(e.Number(), 70);
  }
  EXPECT_EQ(ReadBytes(source_), bytes);
}

// Either file open in another program, with or without a lock, stops the copy before the
// target is touched; so does the target's lock file held elsewhere.
TEST_F(CopyFileInChunksTest, FilesInUseElsewhereAreRefused) {
  auto bytes = PatternBytes(1000);
  auto before = PatternBytes(500, 9);
  WriteBytes(source_, bytes);
  WriteBytes(target_, before);
  WriteBytes(dir_ / "list.ldb", {'l'});
  for (const auto& held : {target_, source_, dir_ / "list.ldb"}) {
    for (testing::Holding holding : {testing::Holding::kOpenOnly, testing::Holding::kReadLock}) {
      SCOPED_TRACE(held.filename().string() + " " + testing::HoldingName(holding));
      auto other = testing::HoldElsewhere(held, holding);
      ASSERT_TRUE(other->Ok());
      EXPECT_THROW(CopyFileInChunks(Win(source_), Win(target_), true), VbError);
      EXPECT_EQ(ReadBytes(target_), before) << "a database in use elsewhere was overwritten";
      EXPECT_TRUE(std::filesystem::exists(source_));
    }
  }
  CopyFileInChunks(Win(source_), Win(target_), true);
  EXPECT_EQ(ReadBytes(target_), bytes);
}

}  // namespace
}  // namespace tav
