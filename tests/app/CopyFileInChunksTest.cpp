#include "app/CopyFileInChunks.h"

#include <fcntl.h>

#include <gtest/gtest.h>

#include "platform/FileLock.h"
#include "platform/UniqueFd.h"
#include "platform/VbError.h"
#include "platform/WinPath.h"
#include "tests/platform/TempFolder.h"

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

TEST_F(CopyFileInChunksTest, BlockBoundariesCopyExactly) {
  for (size_t size : {1000u, 63999u, 64000u, 64001u, 128000u, 128001u, 200000u}) {
    SCOPED_TRACE(size);
    auto bytes = PatternBytes(size, static_cast<unsigned>(size));
    WriteBytes(source_, bytes);
    CopyFileInChunks(Win(source_), Win(target_), true);
    EXPECT_EQ(ReadBytes(target_), bytes);
    EXPECT_FALSE(std::filesystem::exists(source_));
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

TEST_F(CopyFileInChunksTest, FilesInUseElsewhereAreRefused) {
  auto bytes = PatternBytes(1000);
  auto before = PatternBytes(500, 9);
  WriteBytes(source_, bytes);
  WriteBytes(target_, before);
  {
    UniqueFd other(::open(target_.c_str(), O_RDONLY));
    ASSERT_TRUE(TryLock(other.Get(), LockKind::Read, kWholeFile));
    EXPECT_THROW(CopyFileInChunks(Win(source_), Win(target_), true), VbError);
    EXPECT_EQ(ReadBytes(target_), before) << "a database open elsewhere was overwritten";
  }
  {
    UniqueFd other(::open(source_.c_str(), O_RDONLY));
    ASSERT_TRUE(TryLock(other.Get(), LockKind::Read, kWholeFile));
    EXPECT_THROW(CopyFileInChunks(Win(source_), Win(target_), true), VbError);
    EXPECT_EQ(ReadBytes(target_), before);
  }
  CopyFileInChunks(Win(source_), Win(target_), true);
  EXPECT_EQ(ReadBytes(target_), bytes);
}

}  // namespace
}  // namespace tav
