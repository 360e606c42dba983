// The one lock family: which locks go together inside one process, and that the process
// never counts its own as someone else's. Across processes: PosixFileLockTest.cpp (a forked
// child) and WindowsFileLockTest.cpp (a Windows program holding the file).
#include "tests/jet/FileLockTest.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "jet/io/FileSystem.h"

namespace jet {
namespace {

// Each lock is taken by the file's name and through a file the file layer has open (read-only,
// as a claim opens it), which must still read once its lock is taken.
TEST_F(FileLockTest, LocksOfOneProcessGoTogetherByTheirRules) {
  auto allowed = [](LockMode first, LockMode second) {
    if (first == LockMode::kHold || second == LockMode::kHold) return true;
    return first == LockMode::kShared && second == LockMode::kShared;
  };
  for (const bool throughFile : {false, true}) {
    auto take = [&](LockMode mode, std::unique_ptr<File>& file) -> Result<std::unique_ptr<FileLock>> {
      if (!throughFile) return LockPath(path_, mode);
      JET_ASSIGN_OR_RETURN(file, SystemFileSystem().Open(path_, OpenMode::kReadOnly));
      return file->Lock(mode);
    };
    for (LockMode first : kModes) {
      for (LockMode second : kModes) {
        SCOPED_TRACE(std::to_string(throughFile) + ":" + std::to_string(static_cast<int>(first)) + "," +
                     std::to_string(static_cast<int>(second)));
        std::unique_ptr<File> firstFile, secondFile;
        auto held = take(first, firstFile);
        ASSERT_TRUE(held.ok()) << held.status().ToString();
        auto next = take(second, secondFile);
        EXPECT_EQ(next.ok(), allowed(first, second)) << next.status().ToString();
        if (!next.ok()) {
          EXPECT_EQ(next.status().kind(), ErrorKind::kInUse);
        }
        EXPECT_EQ(LockedByOthers(path_), ForeignLock::kNone) << "this process's own locks counted";
        for (File* file : {firstFile.get(), secondFile.get()}) {
          if (file == nullptr) continue;
          std::vector<uint8_t> data(4);
          EXPECT_TRUE(file->ReadAt(0, data).ok()) << "a lock took the file from its File";
          EXPECT_EQ(file->ForeignLocks(), ForeignLock::kNone) << "this process's own locks counted";
        }
      }
    }
  }
  EXPECT_TRUE(LockPath(path_, LockMode::kExclusive).ok()) << "a lock outlived its owner";
}

TEST_F(FileLockTest, TheLastSharedUserAloneMayTurnExclusive) {
  auto first = LockPath(path_, LockMode::kShared);
  auto second = LockPath(path_, LockMode::kShared);
  ASSERT_TRUE(first.ok() && second.ok());
  EXPECT_FALSE((*first)->TryMakeExclusive());
  second->reset();
  EXPECT_TRUE((*first)->TryMakeExclusive());
  EXPECT_FALSE(LockPath(path_, LockMode::kShared).ok());
}

}  // namespace
}  // namespace jet
