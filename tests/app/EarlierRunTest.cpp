// What interrupted runs left beside the databases, as the next run's cycle finds it, against
// the scripted engine on real files: records in each state, kept copies, repair's temporary
// files, and files that merely look like the program's.

#include <gmock/gmock.h>

#include <algorithm>

#include "app/CopyBackRecord.h"
#include "app/MaintenanceCycle.h"
#include "tests/app/CycleFixture.h"
#include "tests/platform/HeldFile.h"

namespace tav::testing {
namespace {

class EarlierRunTest : public CycleFixture {
 protected:
  void SetUp() override {
    CycleFixture::SetUp();
    window_ = ws_.CreateForm("frmChooseVersion");
  }
  MaintenanceCycle MakeCycle() {
    return MaintenanceCycle(ws_, *window_, std::make_unique<FixedRandom>(std::deque<double>{0.75, 0.5}));
  }
  // The record a run leaves for `database` and its copy `copy` (both below the data root),
  // in the state a run stopped in; the copy holds `length` bytes of 'K'.
  void Leave(const std::string& database, const std::string& copy, size_t length, bool copying) {
    MakeFile(copy, length, 'K');
    CopyBackRecord record = CopyBackRecord::Begin(Win(database), Win(copy));
    if (copying) record.MarkCopying();
  }
  std::string Finished(const std::string& database, const std::string& copy) const {
    return "The database\r\n\r\n\"" + Win(database) +
           "\"\r\n\r\nhas been successfully repaired\r\n\r\nAn earlier run was interrupted while it copied "
           "the "
           "compacted database back. The copy has been finished from \"" +
           Win(copy) + "\", which held the complete compacted database, and that file has been deleted.";
  }
  std::vector<std::string> Folder(const std::string& sub) const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Host(sub)))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  std::unique_ptr<Form> window_;
};

// Two databases of one folder were left half copied, one of them empty; a user's file of the
// same form, which no record names, stays. Each copy back is finished before anything else
// is done to its database, the main database's before the password check opens it.
TEST_F(EarlierRunTest, InterruptedCopyBacksAreFinishedBeforeAnythingElse) {
  MakeFile("data\\list.mdb", 0);
  MakeFile("data\\helper.mdb", 100, 'H');
  MakeFile("data\\db3.bak", 50, 'U');
  Leave("data\\list.mdb", "data\\db1.bak", 300, true);
  Leave("data\\helper.mdb", "data\\db2.bak", 200, true);

  auto cycle = MakeCycle();
  cycle.PasswordCheck();
  cycle.Maintain(Win("data\\"), "list.mdb");
  cycle.Maintain(Win("data\\"), "helper.mdb");

  ASSERT_EQ(ws_.Boxes().size(), 2u);
  EXPECT_EQ(ws_.Boxes()[0].text, Finished("data\\list.mdb", "data\\db1.bak"));
  EXPECT_EQ(ws_.Boxes()[1].text, Finished("data\\helper.mdb", "data\\db2.bak"));
  for (const auto& box : ws_.Boxes()) EXPECT_EQ(box.style, 64);
  EXPECT_EQ(log_.Entries()[1], "MsgBox 64")
      << "the main database was opened before its copy back was finished";
  EXPECT_EQ(Contents("data\\list.mdb"), std::string(300, 'K'));
  EXPECT_EQ(Contents("data\\helper.mdb"), std::string(200, 'K'));
  EXPECT_EQ(Contents("data\\db3.bak"), std::string(50, 'U'));
  EXPECT_THAT(Folder("data"), ::testing::ElementsAre("db3.bak", "helper.mdb", "list.mdb"));
  // Then each database is maintained as usual.
  EXPECT_EQ(engine_.Calls("CompactDatabase").size(), 2u);
}

// Nothing else an earlier run left is needed: a compacting record and the copy it names, in
// whatever state the copy was left; a record cut short while it was written; repair's
// hidden temporary files. Files that only look like them stay, and so does the database.
TEST_F(EarlierRunTest, WhatNoCopyBackNeedsIsRemovedAndNothingElse) {
  MakeFile("history\\history.mdb", 100, 'D');
  Leave("history\\history.mdb", "history\\db5.bak", 7, false);
  MakeFile("history\\.history.mdb.repair4242-0", 30);
  MakeFile("history\\.history.mdb.repairs", 30);
  MakeFile("history\\db6.bak", 30);
  MakeFile("history\\other.mdb.copying", 30);
  MakeFile("schedule\\schedule.mdb", 100, 'D');
  Leave("schedule\\schedule.mdb", "schedule\\db8.bak", 0, false);
  std::filesystem::remove(Host("schedule\\db8.bak"));
  const std::string record = Contents("schedule\\schedule.mdb.compacting");
  std::filesystem::resize_file(Host("schedule\\schedule.mdb.compacting"), record.size() / 2);

  auto cycle = MakeCycle();
  cycle.Maintain(Win("history\\"), "history.mdb");
  cycle.Maintain(Win("schedule\\"), "schedule.mdb");

  EXPECT_TRUE(ws_.Boxes().empty());
  EXPECT_THAT(Folder("history"),
              ::testing::ElementsAre(".history.mdb.repairs", "db6.bak", "history.mdb", "other.mdb.copying"));
  EXPECT_THAT(Folder("schedule"), ::testing::ElementsAre("schedule.mdb"));
  EXPECT_EQ(Contents("history\\history.mdb"), std::string(100, 'D'));
}

// A database that another program has open now is not touched: the box says so, and the
// record and the copy stay for a later run, which finishes the copy back once it is free. A
// copy back that fails again is said the same way.
TEST_F(EarlierRunTest, ADatabaseInUseIsLeftForALaterRun) {
  MakeFile("history\\history.mdb", 10, 'D');
  Leave("history\\history.mdb", "history\\db5.bak", 300, true);
  {
    auto other = HoldElsewhere(Host("history\\history.mdb"), Holding::kReadLock);
    ASSERT_TRUE(other->Ok());
    MakeCycle().Maintain(Win("history\\"), "history.mdb");
  }
  ASSERT_EQ(ws_.Boxes().size(), 1u);
  EXPECT_EQ(ws_.Boxes()[0].style, 16);
  const std::string& text = ws_.Boxes()[0].text;
  EXPECT_EQ(text.rfind("It was not possible to compact the database\r\n\r\n\"" + Win("history\\history.mdb") +
                           "\"\r\n\r\nThe following error was encountered:\r\n\r\nCould not use",
                       0),
            0u)
      << text;
  EXPECT_NE(text.find("The database is incomplete. Its complete compacted copy is kept in \"" +
                      Win("history\\db5.bak") + "\""),
            std::string::npos)
      << text;
  EXPECT_TRUE(engine_.Calls().empty());
  EXPECT_EQ(Contents("history\\history.mdb"), std::string(10, 'D'));
  EXPECT_THAT(Folder("history"), ::testing::ElementsAre("db5.bak", "history.mdb", "history.mdb.copying"));

  // The copy it needs is held elsewhere: finishing fails, and nothing is lost.
  {
    auto other = HoldElsewhere(Host("history\\db5.bak"), Holding::kReadLock);
    ASSERT_TRUE(other->Ok());
    MakeCycle().Maintain(Win("history\\"), "history.mdb");
  }
  ASSERT_EQ(ws_.Boxes().size(), 2u);
  EXPECT_NE(ws_.Boxes()[1].text.find(
                "Permission denied. An earlier run was interrupted while it copied the compacted "
                "database back. Finishing that copy failed, and the database is still "
                "incomplete."),
            std::string::npos)
      << ws_.Boxes()[1].text;
  EXPECT_THAT(Folder("history"), ::testing::ElementsAre("db5.bak", "history.mdb", "history.mdb.copying"));

  MakeCycle().Maintain(Win("history\\"), "history.mdb");
  ASSERT_EQ(ws_.Boxes().size(), 3u);
  EXPECT_EQ(ws_.Boxes()[2].text, Finished("history\\history.mdb", "history\\db5.bak"));
  EXPECT_THAT(Folder("history"), ::testing::ElementsAre("history.mdb"));
}

// A copying record whose copy is gone outlived a finished copy back (the copy is deleted
// only once the database is on the disk): it goes without a word.
TEST_F(EarlierRunTest, ARecordWhoseCopyIsGoneIsRemoved) {
  MakeFile("data\\helper.mdb", 100, 'D');
  Leave("data\\helper.mdb", "data\\db5.bak", 50, true);
  std::filesystem::remove(Host("data\\db5.bak"));
  MakeCycle().Maintain(Win("data\\"), "helper.mdb");
  EXPECT_TRUE(ws_.Boxes().empty());
  EXPECT_THAT(Folder("data"), ::testing::ElementsAre("helper.mdb"));
  EXPECT_EQ(engine_.Calls("CompactDatabase").size(), 1u);
}

}  // namespace
}  // namespace tav::testing
