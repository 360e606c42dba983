#include <gtest/gtest.h>

#include <vector>

#include "app/DbEngine.h"
#include "app/OpenDb.h"
#include "app/RunState.h"
#include "platform/base/VbError.h"

namespace tav {
namespace {

// One OpenDatabase call as the engine received it.
struct OpenCall {
  std::string name;
  std::optional<bool> options;
  std::optional<bool> readOnly;
  std::optional<std::string> connect;
};

class FakeDatabase : public DaoDatabase {
 public:
  void Close() override {}
};

// An engine that records what it is asked and fails where told to.
class RecordingEngine : public DaoEngine, public DaoWorkspace {
 public:
  std::vector<OpenCall>* calls = nullptr;
  std::vector<int16_t>* workspaceIndexes = nullptr;
  int32_t failOpenWith = 0;

  DaoWorkspace& Workspaces(int16_t index) override {
    workspaceIndexes->push_back(index);
    return *this;
  }
  std::unique_ptr<DaoDatabase> OpenDatabase(const FileLocation& name, std::optional<bool> options,
                                            std::optional<bool> readOnly,
                                            std::optional<std::string> connect) override {
    calls->push_back({name.windows(), options, readOnly, connect});
    if (failOpenWith != 0) throw VbError(failOpenWith, "DAO.Workspace", "engine says no");
    return std::make_unique<FakeDatabase>();
  }
  void RepairDatabase(const FileLocation&) override {}
  void CompactDatabase(const FileLocation&, const FileLocation&, std::optional<std::string>,
                       std::optional<int32_t>, std::optional<std::string>) override {}
};

class OpenDbTest : public ::testing::Test {
 protected:
  void SetUp() override { UseEngine(0); }
  void TearDown() override {
    tav::Run().DbPassword.clear();
    SetDbEngineFactory(nullptr);
  }

  void UseEngine(int32_t failOpenWith) {
    SetDbEngineFactory([this, failOpenWith] {
      ++enginesMade_;
      auto engine = std::make_unique<RecordingEngine>();
      engine->calls = &calls_;
      engine->workspaceIndexes = &indexes_;
      engine->failOpenWith = failOpenWith;
      return engine;
    });
  }

  std::vector<OpenCall> calls_;
  std::vector<int16_t> indexes_;
  int enginesMade_ = 0;
};

TEST_F(OpenDbTest, WithoutPasswordOnlyPathAndOptionsArePassed) {
  tav::Run().DbPassword = "";
  EXPECT_NE(OpenDb("C:\\T\\data\\list.mdb", false), nullptr);
  ASSERT_EQ(calls_.size(), 1u);
  EXPECT_EQ(calls_[0].name, "C:\\T\\data\\list.mdb");
  EXPECT_EQ(calls_[0].options, std::optional<bool>(false));
  EXPECT_FALSE(calls_[0].readOnly.has_value());
  EXPECT_FALSE(calls_[0].connect.has_value());
  EXPECT_EQ(indexes_, std::vector<int16_t>{0});
}

TEST_F(OpenDbTest, PasswordGoesVerbatimIntoTheConnectStringForEveryDatabase) {
  tav::Run().DbPassword = "x";
  OpenDb("C:\\T\\data\\list.mdb", false);
  tav::Run().DbPassword = " a;b\"c ";
  OpenDb("C:\\T\\history\\history.mdb", true);
  ASSERT_EQ(calls_.size(), 2u);
  EXPECT_EQ(calls_[0].connect, std::optional<std::string>("; pwd=x;"));
  EXPECT_EQ(calls_[0].readOnly, std::optional<bool>(false));
  EXPECT_EQ(calls_[0].options, std::optional<bool>(false));
  EXPECT_EQ(calls_[1].name, "C:\\T\\history\\history.mdb");
  EXPECT_EQ(calls_[1].connect, std::optional<std::string>("; pwd= a;b\"c ;"));
  EXPECT_EQ(calls_[1].options, std::optional<bool>(true));
  EXPECT_EQ(enginesMade_, 1) << "the engine is made once, on first use";
}

TEST_F(OpenDbTest, FailuresArePassedOnUntouched) {
  UseEngine(kErrNotValidPassword);
  try {
    OpenDb("C:\\list.mdb", false);
    FAIL();
  } catch (const VbError& e) {
    EXPECT_EQ(e.Number(), kErrNotValidPassword);
    EXPECT_EQ(e.Source(), "DAO.Workspace");
    EXPECT_EQ(e.Description(), "engine says no");
  }

  SetDbEngineFactory([] { return std::unique_ptr<DaoEngine>(); });
  try {
    OpenDb("C:\\list.mdb", false);
    FAIL();
  } catch (const VbError& e) {
    EXPECT_EQ(e.Number(), 429);
  }
}

}  // namespace
}  // namespace tav
