// Names formed beside a database, and the time-seeded random source behind them.

#include <gtest/gtest.h>

#include "app/CycleFiles.h"
#include "app/RandomSource.h"

namespace tav {
namespace {

TEST(LockFileNameTest, EveryMdbInAnyCaseBecomesLdb) {
  EXPECT_EQ(LockFileName("list.mdb"), "list.ldb");
  EXPECT_EQ(LockFileName("LIST.MDB"), "LIST.ldb");
  EXPECT_EQ(LockFileName("a.MdB.mdb"), "a.ldb.ldb");
  EXPECT_EQ(LockFileName("x.mdbx"), "x.ldbx");
}

TEST(LockFileNameTest, NameWithoutMdbNeverNamesTheDatabaseItself) {
  EXPECT_EQ(LockFileName("history.dat"), std::nullopt);
  EXPECT_EQ(LockFileName(""), std::nullopt);
  EXPECT_EQ(LockFileName(".md"), std::nullopt);
}

TEST(TemporaryNameTest, PlainDigitsOfTheWholePart) {
  EXPECT_EQ(TemporaryName(0.0), "db0.bak");
  EXPECT_EQ(TemporaryName(0.25), "db250000.bak");
  EXPECT_EQ(TemporaryName(0.0000019), "db1.bak");
  EXPECT_EQ(TemporaryName(0.99999999), "db999999.bak");
  EXPECT_EQ(TemporaryName(1.0), "db999999.bak");  // never the excluded upper bound
}

TEST(TimeSeededRandomTest, ReseedFromTheSameTimeRepeatsTheDraws) {
  double now = 3600.5;
  TimeSeededRandom random([&] { return now; });
  random.Reseed();
  const double first = random.Next();
  const double second = random.Next();
  random.Reseed();
  EXPECT_EQ(random.Next(), first);
  EXPECT_NE(second, first);
  now += 0.000001;  // a microsecond later is another sequence
  random.Reseed();
  EXPECT_NE(random.Next(), first);
}

TEST(TimeSeededRandomTest, DrawsStayInTheUnitInterval) {
  TimeSeededRandom random;
  random.Reseed();
  for (int i = 0; i < 10000; ++i) {
    double d = random.Next();
    ASSERT_GE(d, 0.0);
    ASSERT_LT(d, 1.0);
  }
}

}  // namespace
}  // namespace tav
