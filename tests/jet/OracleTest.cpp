// Compares what the engine reads from every fixture with two independent readers: mdbtools
// (table lists and CSV exports through jettool) and mdb-reader (row counts and values); the
// comparisons and the known faults of those readers are in tests/jet/ReaderOracle.
#include <gtest/gtest.h>

#include <cctype>

#include "jet/read/Database.h"
#include "tests/jet/JetTestSupport.h"
#include "tests/jet/ReaderOracle.h"
#include "tests/support/TestNames.h"

namespace jet {
namespace {

class OracleTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    path_ = temp_.CopyFixture(GetParam());
    password_ = testing::FixturePassword(GetParam());
    auto db = Database::OpenPath(path_, {password_});
    ASSERT_TRUE(db.ok()) << db.status().ToString();
    db_ = std::move(db).value();
  }

  testing::TempDir temp_;
  std::string path_;
  std::string password_;
  std::unique_ptr<Database> db_;
};

TEST_P(OracleTest, TableListsMatchMdbTools) { testing::ExpectTableListMatchesMdbTools(path_, *db_); }

TEST_P(OracleTest, ExportsMatchMdbExport) { testing::ExpectExportsMatchMdbExport(path_, password_, *db_); }

TEST_P(OracleTest, RowsMatchMdbReader) { testing::ExpectRowsMatchMdbReader(path_, password_, *db_); }

std::string TestName(const ::testing::TestParamInfo<std::string>& info) {
  return tav::testing::TestNameOf(info.param);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, OracleTest, ::testing::ValuesIn(testing::AllFixtures()), TestName);

}  // namespace
}  // namespace jet
