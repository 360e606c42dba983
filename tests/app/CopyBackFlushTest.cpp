// The order in which the copy back reaches the disk, as the program's file system sees its
// calls: the record that names the copy is on the disk (its contents and its folder entry)
// before the engine writes the copy; the record's rename to copying is on the disk before the
// database is emptied; the database's new contents are on the disk before the copy is
// deleted; the record goes last. After a power loss between any two of these calls, the
// database or its complete copy is whole, and the record says which.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/CopyBack.h"
#include "jet/io/FileSystem.h"
#include "platform/base/ProgramFileSystem.h"
#include "platform/host/WinPath.h"
#include "tests/support/TempFolder.h"

namespace tav {
namespace {

class CopyBackOrder {
 public:
  explicit CopyBackOrder(const std::vector<jet::RecordedCall>& calls) {
    for (const auto& call : calls) calls_.push_back(call.ToString());
  }
  // Where `call` was made first (after `from`); the number of calls when never.
  long At(const std::string& call, long from = 0) const {
    return std::find(calls_.begin() + from, calls_.end(), call) - calls_.begin();
  }
  long Size() const { return static_cast<long>(calls_.size()); }
  std::string All() const {
    std::string out;
    for (const auto& c : calls_) out += c + "\n";
    return out;
  }

 private:
  std::vector<std::string> calls_;
};

TEST(CopyBackFlushTest, EachStepIsOnTheDiskBeforeTheNextOneNeedsIt) {
  testing::TempFolder dir;
  const auto copy = dir / "db250000.bak";
  const auto database = dir / "list.mdb";
  testing::WriteBytes(database, testing::PatternBytes(300000, 7));
  const FileLocation db(WindowsPath(database));
  const FileLocation kept(WindowsPath(copy));
  const std::string folder = dir.path().string();
  const std::string compacting = (dir / "list.mdb.compacting").string();
  const std::string copying = (dir / "list.mdb.copying").string();

  jet::FaultyFileSystem recorder(jet::PosixFileSystem(), -1);
  {
    ProgramFileSystemOverride files(recorder);
    CopyBack copyBack = CopyBack::Begin(db, kept);
    // What the engine's compaction leaves: the copy, its contents synced.
    testing::WriteBytes(copy, testing::PatternBytes(150000));
    copyBack.ReplaceDatabase();
  }
  const CopyBackOrder order(recorder.calls());
  SCOPED_TRACE(order.All());

  const long recordSynced = order.At("sync " + compacting);
  const long recordListed = order.At("sync folder " + folder, recordSynced);
  const long renamed = order.At("rename " + compacting);
  const long renameListed = order.At("sync folder " + folder, renamed);
  const long emptied = order.At("truncate " + database.string());
  const long flushed = order.At("sync " + database.string(), emptied);
  const long deleted = order.At("remove " + copy.string());
  const long recordRemoved = order.At("remove " + copying);
  ASSERT_LT(recordRemoved, order.Size()) << "the record was not removed";
  EXPECT_LT(order.At("create " + compacting), recordSynced);
  EXPECT_LT(recordListed, renamed) << "the compacting record is not on the disk before the copy back";
  EXPECT_LT(renameListed, emptied) << "the database was emptied before the copying record was on the disk";
  EXPECT_LT(flushed, deleted) << "the copy was deleted before the database's new contents were flushed";
  EXPECT_LT(deleted, recordRemoved) << "the record went before the copy it names";
  EXPECT_LT(recordRemoved, order.At("sync folder " + folder, recordRemoved));

  EXPECT_EQ(testing::ReadBytes(database), testing::PatternBytes(150000));
  EXPECT_FALSE(std::filesystem::exists(copy));
  EXPECT_FALSE(std::filesystem::exists(copying));
  EXPECT_FALSE(std::filesystem::exists(compacting));
}

}  // namespace
}  // namespace tav
