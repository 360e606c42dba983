#include <gtest/gtest.h>

#include "platform/base/VbError.h"
#include "platform/files/FileSystem.h"
#include "platform/host/WinPath.h"
#include "tests/support/TempFolder.h"

namespace tav {
namespace {

int32_t ErrorOf(const std::function<void()>& step) {
  try {
    step();
  } catch (const VbError& e) {
    return e.Number();
  }
  return 0;
}

TEST(FileSystemTest, KillFileErrors) {
  testing::TempFolder dir;
  EXPECT_EQ(ErrorOf([&] { KillFile(WindowsPath(dir / "none.txt")); }), 53);
  EXPECT_EQ(ErrorOf([&] { KillFile(WindowsPath(dir / "no" / "none.txt")); }), 76);
  EXPECT_EQ(ErrorOf([&] { KillFile(WindowsPath(dir.path())); }), 53);
  EXPECT_TRUE(std::filesystem::exists(dir.path()));
}

TEST(FileSystemTest, FileLengthBeyondTwoGigabytesIsAnOverflowNotANegativeLength) {
  testing::TempFolder dir;
  auto file = dir / "big.bin";
  testing::WriteBytes(file, {});
  std::filesystem::resize_file(file, 0x80000000ull);  // sparse: no disk space used
  EXPECT_EQ(ErrorOf([&] { FileLength(WindowsPath(file)); }), 6);
  std::filesystem::resize_file(file, 0x7fffffffull);
  EXPECT_EQ(FileLength(WindowsPath(file)), 0x7fffffff);
  EXPECT_EQ(ErrorOf([&] { FileLength(WindowsPath(dir / "none")); }), 53);
}

}  // namespace
}  // namespace tav
