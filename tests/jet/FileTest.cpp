// The file implementations the engine reads and writes through.
#include <gtest/gtest.h>

#include <algorithm>

#include "jet/io/FileSystem.h"
#include "tests/jet/JetTestSupport.h"

namespace jet {
namespace {

// The operating system's file layer, whichever system's it is: opens by mode, what Stat and
// List say, and the kinds of its errors.
TEST(FileTest, SystemFileModes) {
  testing::TempDir temp;
  const std::string path = (temp.path() / "a.bin").string();
  auto missing = SystemFileSystem().Open(path, OpenMode::kReadOnly);
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.status().kind(), ErrorKind::kNotFound);

  auto created = SystemFileSystem().Open(path, OpenMode::kCreateNew);
  ASSERT_TRUE(created.ok());
  const std::vector<uint8_t> data = {1, 2, 3, 4, 5};
  ASSERT_TRUE((*created)->WriteAt(10, data).ok());
  EXPECT_EQ(*(*created)->Size(), 15u);
  ASSERT_TRUE((*created)->Sync().ok());

  auto again = SystemFileSystem().Open(path, OpenMode::kCreateNew);
  ASSERT_FALSE(again.ok());
  EXPECT_EQ(again.status().kind(), ErrorKind::kExists);

  auto reader = SystemFileSystem().Open(path, OpenMode::kReadOnly);
  ASSERT_TRUE(reader.ok());
  std::vector<uint8_t> back(5);
  ASSERT_TRUE((*reader)->ReadAt(10, back).ok());
  EXPECT_EQ(back, data);
  std::vector<uint8_t> past(6);
  EXPECT_EQ((*reader)->ReadAt(10, past).kind(), ErrorKind::kCorrupt);
  EXPECT_FALSE((*reader)->WriteAt(0, data).ok());  // opened read-only

  ASSERT_TRUE((*created)->Truncate(3).ok());
  EXPECT_EQ(*(*reader)->Size(), 3u);

  auto opened = SystemFileSystem().Open(path, OpenMode::kReadWriteCreate);  // there: kept as it is
  ASSERT_TRUE(opened.ok());
  EXPECT_EQ(*(*opened)->Size(), 3u);
  const std::string fresh = (temp.path() / "b.bin").string();
  ASSERT_TRUE(SystemFileSystem().Open(fresh, OpenMode::kReadWriteCreate).ok());  // missing: made
  auto stat = SystemFileSystem().Stat(path);
  ASSERT_TRUE(stat.ok());
  EXPECT_EQ(stat->kind, FileKind::kFile);
  EXPECT_EQ(stat->size, 3u);
  auto openStat = (*reader)->Stat();
  ASSERT_TRUE(openStat.ok());
  EXPECT_TRUE(stat->SameFile(*openStat));
  EXPECT_FALSE(stat->SameFile(*SystemFileSystem().Stat(fresh)));
  EXPECT_EQ(SystemFileSystem().Stat(temp.path().string())->kind, FileKind::kFolder);
  EXPECT_EQ(SystemFileSystem().Stat(path + ".none").status().kind(), ErrorKind::kNotFound);
  auto names = SystemFileSystem().List(temp.path().string());
  ASSERT_TRUE(names.ok());
  std::sort(names->begin(), names->end());
  EXPECT_EQ(*names, (std::vector<std::string>{"a.bin", "b.bin"}));
  EXPECT_EQ(SystemFileSystem().List(path + ".none").status().kind(), ErrorKind::kNotFound);
}

TEST(FileTest, MemoryFileRefusesReadsPastItsEnd) {
  MemoryFile file({1, 2, 3});
  std::vector<uint8_t> two(2);
  EXPECT_TRUE(file.ReadAt(1, two).ok());
  EXPECT_FALSE(file.ReadAt(2, two).ok());
  EXPECT_FALSE(file.ReadAt(UINT64_MAX, two).ok());
}

TEST(FileTest, FaultyFileFailsOnceItsBudgetIsSpent) {
  FaultyFile file(std::make_unique<MemoryFile>(std::vector<uint8_t>(100)),
                  FaultyFile::Budget{.read_bytes = 30, .writes = 1});
  std::vector<uint8_t> buffer(20);
  EXPECT_TRUE(file.ReadAt(0, buffer).ok());
  EXPECT_EQ(file.ReadAt(0, buffer).kind(), ErrorKind::kIo);
  EXPECT_TRUE(file.WriteAt(0, buffer).ok());
  EXPECT_EQ(file.WriteAt(0, buffer).kind(), ErrorKind::kIo);
}

TEST(FileTest, FaultyFileSystemFailsTheChosenCallOfAKind) {
  testing::TempDir temp;
  FaultyFileSystem faulty(SystemFileSystem(), 1, FileCall::kWrite);
  auto file = faulty.Open((temp.path() / "a.bin").string(), OpenMode::kCreateNew);
  ASSERT_TRUE(file.ok());
  const std::vector<uint8_t> data = {1, 2};
  EXPECT_TRUE((*file)->WriteAt(0, data).ok());
  EXPECT_TRUE((*file)->Sync().ok());
  EXPECT_EQ((*file)->WriteAt(2, data).kind(), ErrorKind::kIo);
  EXPECT_TRUE((*file)->WriteAt(4, data).ok());
  ASSERT_EQ(faulty.calls().size(), 5u);
  EXPECT_EQ(faulty.failed()->call, FileCall::kWrite);
}

}  // namespace
}  // namespace jet
