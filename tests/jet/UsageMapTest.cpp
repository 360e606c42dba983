// Usage maps kept by reference: checking that one names nothing beyond the end of the file
// reads only the bitmap pages whose run of pages reaches that end.
#include <gtest/gtest.h>

#include <functional>

#include "jet/base/Bytes.h"
#include "jet/format/DataPage.h"
#include "jet/read/Database.h"
#include "jet/read/UsageMap.h"
#include "tests/jet/JetTestSupport.h"

namespace jet {
namespace {

constexpr uint32_t kJet3PageSize = 2048;
constexpr uint32_t kPagesPerBitmap = (kJet3PageSize - 4) * 8;  // 16352
constexpr uint32_t kPageCount = kPagesPerBitmap + 64;

// A Jet 3 fixture grown past one bitmap page's run, whose table keeps its page map by
// reference: bitmap page `first` covers pages 0..16351, `second` the rest.
class ReferenceMapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bytes_ = testing::ReadBytes(testing::FixturePath("jet3/testV1997.mdb"));
    auto probe = Database::Open(std::make_unique<MemoryFile>(bytes_));
    ASSERT_TRUE(probe.ok()) << probe.status().ToString();
    ASSERT_EQ((*probe)->header().database_key, 0u);
    auto def = (*probe)->OpenTable("Table1");
    ASSERT_TRUE(def.ok());
    map_ = def->used_pages;
    bytes_.resize(size_t{kPageCount} * kJet3PageSize, 0);
    first_ = kPageCount - 2;
    second_ = kPageCount - 1;
    MakeBitmap(first_);
    MakeBitmap(second_);
    auto page = std::span<uint8_t>(bytes_).subspan(size_t{PointerPage(map_)} * kJet3PageSize, kJet3PageSize);
    auto info = ParseDataPage(page, LayoutFor(JetVersion::kJet3));
    ASSERT_TRUE(info.ok());
    const RowSlot slot = info->rows.at(PointerRow(map_));
    ASSERT_GE(slot.end - slot.start, 9);
    auto row = page.subspan(slot.start, slot.end - slot.start);
    std::fill(row.begin(), row.end(), 0);
    row[0] = kUsageMapReference;
    PutU32(row, 1, first_);
    PutU32(row, 5, second_);
  }

  void MakeBitmap(uint32_t page) { bytes_[size_t{page} * kJet3PageSize] = kPageUsageMap; }
  static void SetBit(std::vector<uint8_t>& bytes, uint32_t bitmap, uint32_t page) {
    const uint32_t bit = page % kPagesPerBitmap;
    bytes[size_t{bitmap} * kJet3PageSize + 4 + bit / 8] |= static_cast<uint8_t>(1u << (bit % 8));
  }

  // Opens the bytes, applies `damage` to the open file's bytes, and checks the map; returns
  // the status and the pages the check read.
  std::pair<Status, uint64_t> Check(const std::function<void(std::vector<uint8_t>&)>& damage = {}) {
    auto file = std::make_unique<MemoryFile>(bytes_);
    MemoryFile* raw = file.get();
    auto db = Database::Open(std::move(file));
    EXPECT_TRUE(db.ok()) << db.status().ToString();
    if (!db.ok()) return {db.status(), 0};
    if (damage) damage(raw->bytes());
    const uint64_t before = (*db)->pages_read();
    Status s = CheckUsageMapWithinFile(**db, map_);
    return {s, (*db)->pages_read() - before};
  }

  std::vector<uint8_t> bytes_;
  uint32_t map_ = 0;
  uint32_t first_ = 0;
  uint32_t second_ = 0;
};

TEST_F(ReferenceMapTest, ReadsOnlyTheBitmapThatReachesTheEnd) {
  SetBit(bytes_, first_, 3);
  SetBit(bytes_, second_, kPagesPerBitmap + 10);
  auto [status, reads] = Check([this](std::vector<uint8_t>& bytes) {
    bytes[size_t{first_} * kJet3PageSize] = 0x01;  // not even a bitmap now: never read
  });
  EXPECT_TRUE(status.ok()) << status.ToString();
  EXPECT_EQ(reads, 2u);  // the map's row and the last bitmap
  auto db = Database::Open(std::make_unique<MemoryFile>(bytes_));
  ASSERT_TRUE(db.ok());
  auto map = ReadUsageMap(**db, map_);
  ASSERT_TRUE(map.ok());
  EXPECT_EQ(map->pages, (std::vector<uint32_t>{3, kPagesPerBitmap + 10}));
}

TEST_F(ReferenceMapTest, PagesOrBitmapsBeyondTheEndAreDamage) {
  const auto kind = [this](const std::function<void(std::vector<uint8_t>&)>& damage) {
    return Check(damage).first.kind();
  };
  EXPECT_EQ(kind([this](std::vector<uint8_t>& b) { SetBit(b, second_, kPageCount + 5); }),
            ErrorKind::kCorrupt);
  EXPECT_EQ(kind([this](std::vector<uint8_t>& b) { b[size_t{second_} * kJet3PageSize] = 0x01; }),
            ErrorKind::kCorrupt);
  // The map's row names a bitmap page beyond the end.
  const uint32_t row_page = PointerPage(map_);
  auto info =
      ParseDataPage(std::span<const uint8_t>(bytes_).subspan(size_t{row_page} * kJet3PageSize, kJet3PageSize),
                    LayoutFor(JetVersion::kJet3));
  ASSERT_TRUE(info.ok());
  const size_t row = size_t{row_page} * kJet3PageSize + info->rows.at(PointerRow(map_)).start;
  EXPECT_EQ(kind([row](std::vector<uint8_t>& b) { PutU32(b, row + 5, kPageCount + 1); }),
            ErrorKind::kCorrupt);
  EXPECT_TRUE(Check().first.ok());
}

}  // namespace
}  // namespace jet
