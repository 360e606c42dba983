// Generated Tavimer installations: the folder layout of each generation, the same files for
// the same seed, rows and garbage the reader and checker accept, and refusals.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "jet/check/Checker.h"
#include "jet/read/Database.h"
#include "jet/read/TableReader.h"
#include "tests/jet/JetTestSupport.h"
#include "tools/generator/Generator.h"

namespace jet {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Files(const fs::path& root) {
  std::vector<std::string> names;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    if (e.is_regular_file()) names.push_back(fs::relative(e.path(), root).generic_string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

size_t CountRows(const std::string& path, const std::string& table, const std::string& password = "") {
  auto db = Database::OpenPath(path, {.password = password});
  EXPECT_TRUE(db.ok()) << path << ": " << db.status().ToString();
  if (!db.ok()) return 0;
  size_t problems =
      CheckDatabase(**db, [&](const Problem& p) { ADD_FAILURE() << path << ": " << p.ToString(); });
  EXPECT_EQ(problems, 0u);
  auto def = (*db)->OpenTable(table);
  EXPECT_TRUE(def.ok()) << def.status().ToString();
  auto rows = ReadAllRows(**db, *def);
  EXPECT_TRUE(rows.ok()) << rows.status().ToString();
  return rows.ok() ? rows->size() : 0;
}

TEST(GeneratorTest, EachGenerationGetsItsFolderLayout) {
  testing::TempDir tmp;
  tav::GenerateOptions tv1;
  tv1.rows = 30;
  ASSERT_TRUE(tav::GenerateInstallation((tmp.path() / "one").string(), tv1).ok());
  EXPECT_EQ(Files(tmp.path() / "one"),
            (std::vector<std::string>{"data/list.mdb", "history/history.mdb", "tavimer.exe"}));
  EXPECT_EQ(fs::file_size(tmp.path() / "one" / "tavimer.exe"), 0u);

  tav::GenerateOptions tv2 = tv1;
  tv2.generation = "TV2";
  tv2.version = JetVersion::kJet3;
  ASSERT_TRUE(tav::GenerateInstallation((tmp.path() / "two").string(), tv2).ok());
  EXPECT_EQ(Files(tmp.path() / "two"),
            (std::vector<std::string>{"data/helper.mdb", "data/list.mdb", "history/history.mdb",
                                      "schedule/schedule.mdb"}));
  const fs::path two = tmp.path() / "two";
  EXPECT_EQ(CountRows((two / "data/list.mdb").string(), "Recipients"), 30u);
  EXPECT_EQ(CountRows((two / "data/helper.mdb").string(), "Settings"), 6u);
  EXPECT_EQ(CountRows((two / "history/history.mdb").string(), "History"), 60u);
  EXPECT_EQ(CountRows((two / "schedule/schedule.mdb").string(), "Schedule"), 3u);
}

TEST(GeneratorTest, SameSeedGivesSameBytesAndDeletedShareLeavesHoles) {
  testing::TempDir tmp;
  tav::GenerateOptions options;
  options.rows = 400;
  options.deleted = 0.3;
  options.password = "geheim";
  options.seed = 42;
  ASSERT_TRUE(tav::GenerateInstallation((tmp.path() / "a").string(), options).ok());
  ASSERT_TRUE(tav::GenerateInstallation((tmp.path() / "b").string(), options).ok());
  options.seed = 43;
  ASSERT_TRUE(tav::GenerateInstallation((tmp.path() / "c").string(), options).ok());
  for (const char* file : {"data/list.mdb", "history/history.mdb"}) {
    const auto a = testing::ReadBytes((tmp.path() / "a" / file).string());
    EXPECT_EQ(a, testing::ReadBytes((tmp.path() / "b" / file).string())) << file;
    EXPECT_NE(a, testing::ReadBytes((tmp.path() / "c" / file).string())) << file;
  }
  const std::string list = (tmp.path() / "a" / "data/list.mdb").string();
  EXPECT_EQ(Database::OpenPath(list).status().kind(), ErrorKind::kBadPassword);
  const size_t recipients = CountRows(list, "Recipients", "geheim");
  EXPECT_GT(recipients, 200u);
  EXPECT_LT(recipients, 340u);
  const size_t sent = CountRows((tmp.path() / "a" / "history/history.mdb").string(), "History");
  EXPECT_GT(sent, 450u);
  EXPECT_LT(sent, 700u);
}

TEST(GeneratorTest, RefusesBadOptionsAndExistingFiles) {
  testing::TempDir tmp;
  tav::GenerateOptions options;
  options.generation = "TV3";
  EXPECT_EQ(tav::GenerateInstallation(tmp.path().string(), options).kind(), ErrorKind::kInvalidArgument);
  options.generation = "TV1";
  options.deleted = 1.0;
  EXPECT_EQ(tav::GenerateInstallation(tmp.path().string(), options).kind(), ErrorKind::kInvalidArgument);

  fs::create_directories(tmp.path() / "data");
  std::ofstream(tmp.path() / "data" / "list.mdb") << "precious";
  options.deleted = 0;
  EXPECT_EQ(tav::GenerateInstallation(tmp.path().string(), options).kind(), ErrorKind::kExists);
  std::ifstream in(tmp.path() / "data" / "list.mdb");
  std::string kept;
  in >> kept;
  EXPECT_EQ(kept, "precious");
}

}  // namespace
}  // namespace jet
