// The steps that put a repaired file in place: each may fail, and each failure must either
// leave the original byte for byte as it was with no file left behind, or, after the rename,
// be reported as what it is. The repaired file keeps the original's mode and owner, and a
// link is followed to the file it names. A later format version is refused untouched.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "jet/Database.h"
#include "jet/FileSystem.h"
#include "jet/Repairer.h"
#include "tests/jet/JetTestSupport.h"
#include "tests/jet/RepairTestSupport.h"

namespace jet {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::TempDir;

constexpr const char* kFixture = "jet4/indexTestV2000.mdb";

// A copy of the fixture cut inside its last page, readable by its owner and group only.
std::string DamagedCopy(const TempDir& dir) {
  const std::string path = dir.CopyFixture(kFixture);
  testing::Truncate(path, fs::file_size(path) - 1000);
  ::chmod(path.c_str(), 0640);
  return path;
}

uint32_t ModeOf(const std::string& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  return st.st_mode & 07777;
}

TEST(RepairReplaceTest, EveryStepFailingLeavesTheOriginalOrSaysWhatHappened) {
  TempDir dir;
  const std::string path = DamagedCopy(dir);
  const std::vector<uint8_t> damaged = ReadBytes(path);
  const auto listing = testing::FolderListing(dir.path().string());
  size_t after_rename = 0;
  for (int64_t step = 0;; ++step) {
    SCOPED_TRACE("failing step " + std::to_string(step));
    FaultyFileSystem faulty(PosixFileSystem(), step);
    auto report = RepairDatabase(path, {}, faulty);
    ASSERT_LT(step, 100000) << "the repair never ends";
    if (static_cast<size_t>(step) >= faulty.log().size()) {
      ASSERT_TRUE(report.ok()) << report.status().ToString();
      EXPECT_TRUE(report->unsynced.empty());
      break;
    }
    const std::string failed = faulty.log()[static_cast<size_t>(step)];
    if (report.ok() && failed.rfind("read " + dir.path().string() + "/.", 0) == 0) {
      // The check of the copy reads past pages it cannot read; the copy was written whole.
      fs::remove(path);
      fs::copy_file(testing::FixturePath(kFixture), path);
      testing::Truncate(path, damaged.size());
      ::chmod(path.c_str(), 0640);
      continue;
    }
    if (report.ok()) {
      // Only the flush of the folder comes after the rename.
      EXPECT_EQ(failed.rfind("sync folder", 0), 0u) << failed;
      EXPECT_NE(report->unsynced.find("replaced the original"), std::string::npos);
      EXPECT_NE(report->ToString().find("warning:"), std::string::npos);
      ++after_rename;
      fs::remove(path);
      fs::copy_file(testing::FixturePath(kFixture), path);
      testing::Truncate(path, damaged.size());
      ::chmod(path.c_str(), 0640);
      continue;
    }
    EXPECT_NE(report.status().ToString().find("injected failure"), std::string::npos) << report.status().ToString();
    EXPECT_EQ(ReadBytes(path), damaged) << failed;
    EXPECT_EQ(testing::FolderListing(dir.path().string()), listing) << failed;
  }
  EXPECT_EQ(after_rename, 1u);
  EXPECT_EQ(testing::ProblemsFound(path), 0u);
  EXPECT_EQ(ModeOf(path), 0640u);
}

TEST(RepairReplaceTest, ALinkIsFollowedAndTheFileItNamesReplaced) {
  TempDir dir;
  const std::string path = DamagedCopy(dir);
  const std::string link = (dir.path() / "link.mdb").string();
  fs::create_symlink(path, link);
  auto report = RepairDatabase(link);
  ASSERT_TRUE(report.ok()) << report.status().ToString();
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(testing::ProblemsFound(path), 0u);
  EXPECT_EQ(ModeOf(path), 0640u);
}

TEST(RepairReplaceTest, ALaterFormatVersionIsRefusedUntouched) {
  TempDir dir;
  const std::string path = DamagedCopy(dir);
  testing::Overwrite(path, kHeaderVersionOffset, {2});
  const std::vector<uint8_t> before = ReadBytes(path);
  auto report = RepairDatabase(path);
  ASSERT_FALSE(report.ok());
  EXPECT_EQ(report.status().kind(), ErrorKind::kUnsupported) << report.status().ToString();
  EXPECT_EQ(ReadBytes(path), before);
  EXPECT_EQ(testing::FolderListing(dir.path().string()).size(), 1u);
}

}  // namespace
}  // namespace jet
