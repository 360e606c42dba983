// Putting a repaired file in place: it keeps the original's mode and owner, and a link is
// followed to the file it names. A later format version is refused untouched. Each step
// failing in turn is FileLayerFaultTest's.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "jet/io/FileSystem.h"
#include "jet/read/Database.h"
#include "jet/repair/Repairer.h"
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
