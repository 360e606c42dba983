// The lock family and the file layer on Windows, against a Windows program that holds the
// file (tests/support/WindowsHolder.c): what shares with what is the share modes' doing,
// a byte-range lock shows while this process has the file open itself, a file this process
// holds is replaced in one step, and paths go to Windows as UTF-16.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>

#include "jet/io/FileSystem.h"
#include "jet/io/TemporaryFile.h"
#include "jet/io/Utf8Path.h"
#include "tests/jet/FileLockTest.h"
#include "tests/jet/WindowsHolderProcess.h"

namespace jet {
namespace {

using testing::WindowsHolderProcess;

constexpr const char* kHolds[] = {"shared", "exclusive", "bytelock"};

std::string Name(LockMode mode) { return std::to_string(static_cast<int>(mode)); }

TEST_F(FileLockTest, AWindowsProgramsOpenSharesOnlyWithASharedLock) {
  for (const std::string hold : kHolds) {
    SCOPED_TRACE(hold);
    WindowsHolderProcess holder(hold, path_);
    ASSERT_TRUE(holder.Held()) << holder.said();
    for (LockMode mode : kModes) {
      SCOPED_TRACE(Name(mode));
      auto lock = LockPath(path_, mode);
      EXPECT_EQ(lock.ok(), hold != "exclusive" && mode == LockMode::kShared);
      if (!lock.ok()) {
        EXPECT_EQ(lock.status().kind(), ErrorKind::kInUse) << lock.status().ToString();
      }
    }
    EXPECT_EQ(LockedByOthers(path_), hold == "exclusive" ? ForeignLock::kExclusive : ForeignLock::kSome);
    // Asked through a File of the file layer, the only open of it here, as the program asks:
    // the same answer, and the File still works afterwards.
    if (hold != "exclusive") {
      auto mine = SystemFileSystem().Open(path_, OpenMode::kReadOnly);
      ASSERT_TRUE(mine.ok()) << mine.status().ToString();
      EXPECT_EQ((*mine)->ForeignLocks(), ForeignLock::kSome);
      EXPECT_TRUE((*mine)->Size().ok());
    }
    // The file layer's opens: shared ones share with whatever shares reading and writing,
    // the exclusive one with nothing.
    EXPECT_EQ(SystemFileSystem().Open(path_, OpenMode::kReadOnly).ok(), hold != "exclusive");
    auto exclusive = SystemFileSystem().Open(path_, OpenMode::kReadWriteExclusive);
    ASSERT_FALSE(exclusive.ok());
    EXPECT_EQ(exclusive.status().kind(), ErrorKind::kInUse);
    holder.Release();
    EXPECT_EQ(LockedByOthers(path_), ForeignLock::kNone);
    {
      auto mine = SystemFileSystem().Open(path_, OpenMode::kReadOnly);
      ASSERT_TRUE(mine.ok()) << mine.status().ToString();
      EXPECT_EQ((*mine)->ForeignLocks(), ForeignLock::kNone) << "the asking File counted as another program";
    }
    EXPECT_TRUE(LockPath(path_, LockMode::kExclusive).ok());
  }
}

TEST_F(FileLockTest, ALockKeepsOutTheWindowsProgramsItCannotShareWith) {
  for (LockMode mode : kModes) {
    SCOPED_TRACE(Name(mode));
    auto lock = LockPath(path_, mode);
    ASSERT_TRUE(lock.ok()) << lock.status().ToString();
    EXPECT_EQ(WindowsHolderProcess("shared", path_).Held(), mode == LockMode::kShared);
    EXPECT_FALSE(WindowsHolderProcess("exclusive", path_).Held());
  }
  // And so does the exclusive open, which the engine changes files in place through.
  auto exclusive = SystemFileSystem().Open(path_, OpenMode::kReadWriteExclusive);
  ASSERT_TRUE(exclusive.ok());
  EXPECT_FALSE(WindowsHolderProcess("shared", path_).Held());
}

// Where this process has the file open itself, Windows refuses no exclusive open on its
// behalf; the byte ranges that Jet's engine locks still show.
TEST_F(FileLockTest, AByteLockShowsWhileThisProcessHasTheFileOpen) {
  auto mine = SystemFileSystem().Open(path_, OpenMode::kReadOnly);
  ASSERT_TRUE(mine.ok());
  WindowsHolderProcess holder("bytelock", path_);
  ASSERT_TRUE(holder.Held()) << holder.said();
  EXPECT_EQ(LockedByOthers(path_), ForeignLock::kSome);
  holder.Release();
  EXPECT_EQ(LockedByOthers(path_), ForeignLock::kNone);
}

TEST_F(FileLockTest, AHeldFileIsReplacedInOneStepUnlessAnotherProgramHasItOpen) {
  FileSystem& fs = SystemFileSystem();
  auto hold = LockPath(path_, LockMode::kHold);
  ASSERT_TRUE(hold.ok());
  auto original = fs.Open(path_, OpenMode::kReadWriteExclusive);
  ASSERT_TRUE(original.ok()) << original.status().ToString();
  auto temporary = TemporaryFile::CreateBeside(fs, path_, "test", 0644);
  ASSERT_TRUE(temporary.ok());
  const std::vector<uint8_t> replacement = {'n', 'e', 'w'};
  ASSERT_TRUE((*temporary)->file().WriteAt(0, replacement).ok());
  ASSERT_TRUE((*temporary)->file().Sync().ok());
  ASSERT_TRUE((*temporary)->RenameOver(path_).ok());
  EXPECT_EQ(testing::ReadBytes(path_), replacement);
  std::vector<uint8_t> byte(1);
  EXPECT_EQ((*original)->ReadAt(0, byte).kind(), ErrorKind::kIo) << "a replaced file still read";
  const auto entries = std::filesystem::directory_iterator(dir_.path());
  EXPECT_EQ(std::distance(std::filesystem::begin(entries), std::filesystem::end(entries)), 1)
      << "the temporary file is left";

  // Another program's open, however shared, keeps the file where it is.
  WindowsHolderProcess holder("shared", path_);
  ASSERT_TRUE(holder.Held()) << holder.said();
  temporary = TemporaryFile::CreateBeside(fs, path_, "test", 0644);
  ASSERT_TRUE(temporary.ok());
  ASSERT_TRUE((*temporary)->file().WriteAt(0, std::vector<uint8_t>{'x'}).ok());
  EXPECT_FALSE((*temporary)->RenameOver(path_).ok());
  EXPECT_EQ(testing::ReadBytes(path_), replacement);
  holder.Release();

  // And removed, held and open here, as the maintenance removes its compacted copies.
  auto again = fs.Open(path_, OpenMode::kReadWriteExclusive);
  ASSERT_TRUE(again.ok()) << again.status().ToString();
  const Status removed = fs.Remove(path_);
  EXPECT_TRUE(removed.ok()) << removed.ToString();
  EXPECT_FALSE(std::filesystem::exists(PathOf(path_)));
}

// UTF-8 inside, UTF-16 at the API: a name no ANSI code page holds whole.
TEST(WindowsFileTest, PathsAreUtf8) {
  testing::TempDir dir;
  const std::string folder = Utf8Of(dir.path()) + "\\\xD0\x91\xC3\xA4\xE2\x9C\x93";  // Бä✓
  ASSERT_TRUE(std::filesystem::create_directory(PathOf(folder)));
  const std::string path = folder + "\\\xE5\x90\x8D\xE5\x89\x8D.mdb";  // 名前.mdb
  FileSystem& fs = SystemFileSystem();
  auto created = fs.Open(path, OpenMode::kCreateNew);
  ASSERT_TRUE(created.ok()) << created.status().ToString();
  ASSERT_TRUE((*created)->WriteAt(0, std::vector<uint8_t>{1, 2}).ok());
  created->reset();
  EXPECT_TRUE(std::filesystem::exists(PathOf(path)));
  EXPECT_EQ(FolderOf(path), folder);
  auto resolved = fs.Resolve(path);
  ASSERT_TRUE(resolved.ok()) << resolved.status().ToString();
  EXPECT_TRUE(std::filesystem::equivalent(PathOf(*resolved), PathOf(path))) << *resolved;
  auto temporary = TemporaryFile::CreateBeside(fs, path, "test", 0644);
  ASSERT_TRUE(temporary.ok()) << temporary.status().ToString();
  ASSERT_TRUE((*temporary)->RenameOver(path).ok());
  EXPECT_TRUE(fs.SyncFolder(folder).ok());
  EXPECT_TRUE(LockPath(path, LockMode::kExclusive).ok());
}

}  // namespace
}  // namespace jet
