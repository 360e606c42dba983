// The copy back puts the database's new contents on the disk before it deletes the
// compacted copy: after a power loss in between, one of the two must still be whole. The
// calls reach the operating system through this program's own fsync and unlink, defined
// here ahead of the C library's, which note each call and then make it.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/CopyFileInChunks.h"
#include "platform/host/WinPath.h"
#include "tests/support/TempFolder.h"

namespace {

std::vector<std::string>* noted = nullptr;

std::string PathOf(int fd) {
  char target[4096] = {};
  const std::string link = "/proc/self/fd/" + std::to_string(fd);
  const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
  return n > 0 ? std::string(target, static_cast<size_t>(n)) : "?";
}

}  // namespace

extern "C" int fsync(int fd) {
  if (noted) noted->push_back("fsync " + PathOf(fd));
  return static_cast<int>(::syscall(SYS_fsync, fd));
}

extern "C" int unlink(const char* path) noexcept {
  if (noted) noted->push_back(std::string("unlink ") + path);
  return static_cast<int>(::syscall(SYS_unlinkat, AT_FDCWD, path, 0));
}

namespace tav {
namespace {

TEST(CopyBackFlushTest, TheTargetIsOnTheDiskBeforeTheSourceIsDeleted) {
  testing::TempFolder dir;
  const auto source = dir / "db250000.bak";
  const auto target = dir / "list.mdb";
  testing::WriteBytes(source, testing::PatternBytes(150000));
  testing::WriteBytes(target, testing::PatternBytes(300000, 7));

  std::vector<std::string> calls;
  noted = &calls;
  CopyFileInChunks(WindowsPath(source), WindowsPath(target), true);
  noted = nullptr;

  const auto at = [&](const std::string& call) {
    return std::find(calls.begin(), calls.end(), call) - calls.begin();
  };
  const auto flushed = at("fsync " + target.string());
  const auto deleted = at("unlink " + source.string());
  ASSERT_LT(deleted, static_cast<long>(calls.size())) << "the compacted copy was not deleted";
  EXPECT_LT(flushed, deleted)
      << "the compacted copy was deleted before the database's new contents were flushed";
  EXPECT_EQ(testing::ReadBytes(target), testing::PatternBytes(150000));
}

}  // namespace
}  // namespace tav
