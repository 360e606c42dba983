// A deleted row never comes back from a repair. Access leaves the page of rows it deleted as
// it was once the table's map stops listing it: the rows on it keep their slots unflagged,
// and page 1 need not mark it free. Only the table's own records (its map, its index trees,
// its row count) say those rows are gone; with the map or the indexes or the free-page map
// damaged, the repair must still give back exactly the live rows. For a bulk e-mail program a
// recipient who comes back gets mail again after unsubscribing.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <set>

#include "jet/base/Bytes.h"
#include "jet/base/WriteBytes.h"
#include "jet/check/Checker.h"
#include "jet/edit/TableEditor.h"
#include "jet/format/DataPage.h"
#include "jet/read/IndexPage.h"
#include "jet/read/TableReader.h"
#include "jet/repair/Repairer.h"
#include "tests/jet/JetTestSupport.h"
#include "tests/jet/RepairTestSupport.h"

namespace jet {
namespace {

using testing::StoredRow;
using testing::TempDir;

std::multiset<std::string> RowTexts(const std::vector<StoredRow>& rows) {
  std::multiset<std::string> out;
  for (const StoredRow& row : rows) out.insert(row.table + "|" + row.text);
  return out;
}

// Where the bytes of the row at `pointer` lie in the file.
std::pair<uint64_t, uint64_t> RowSpan(Database& db, uint32_t pointer) {
  auto page = db.ReadPage(PointerPage(pointer));
  auto info = ParseDataPage(*page, db.layout());
  EXPECT_TRUE(info.ok());
  const RowSlot& slot = info->rows.at(PointerRow(pointer));
  const uint64_t base = uint64_t{PointerPage(pointer)} * db.page_size();
  return {base + slot.start, base + slot.end};
}

void Zero(std::vector<uint8_t>& bytes, std::pair<uint64_t, uint64_t> span) {
  std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(span.first),
            bytes.begin() + static_cast<std::ptrdiff_t>(span.second), 0);
}

class RepairDeletedRowsTest : public ::testing::TestWithParam<JetVersion> {
 protected:
  // list.mdb of a generated installation, in which every row of one data page of Recipients
  // was deleted the way Access leaves it: the page is out of the table's map and its index
  // trees, its rows keep unflagged slots, and page 1 does not mark it free.
  void SetUp() override {
    path_ = testing::Generated(dir_.path().string(), GetParam(), "list");
    auto db = Database::OpenPath(path_);
    ASSERT_TRUE(db.ok()) << db.status().ToString();
    auto def = (*db)->OpenTable("Recipients");
    ASSERT_TRUE(def.ok());
    std::map<uint32_t, std::vector<std::pair<uint8_t, int64_t>>> ids_by_page;
    TableReader reader(**db, *def);
    while (true) {
      auto record = reader.Next();
      ASSERT_TRUE(record.ok());
      if (!*record) break;
      auto values = reader.Decode(**record);
      ASSERT_TRUE(values.ok());
      ids_by_page[(*record)->page].emplace_back((*record)->slot, (*values)[0].integer);
    }
    ASSERT_GE(ids_by_page.size(), 3u);
    auto middle = std::next(ids_by_page.begin(), static_cast<std::ptrdiff_t>(ids_by_page.size() / 2));
    page_ = middle->first;
    std::set<int64_t> doomed;
    for (const auto& [slot, id] : middle->second) doomed.insert(id);
    db->reset();

    auto editor = TableEditor::Open(path_);
    ASSERT_TRUE(editor.ok()) << editor.status().ToString();
    auto deleted = (*editor)->DeleteRows(
        "Recipients", [&](const EditedRow& row) { return doomed.count(row.Get("ID").integer); });
    ASSERT_TRUE(deleted.ok()) << deleted.status().ToString();
    ASSERT_EQ(*deleted, doomed.size());
    editor->reset();

    // What Access leaves: the slots unflagged, the page not marked free.
    std::vector<uint8_t> bytes = testing::ReadBytes(path_);
    const Layout& l = LayoutFor(GetParam());
    uint8_t* page = bytes.data() + size_t{page_} * l.page_size;
    const uint16_t count = *GetU16(std::span<const uint8_t>(page, l.page_size), l.data_row_count);
    for (uint16_t slot = 0; slot < count; ++slot) page[l.data_row_offsets + slot * 2 + 1] &= 0x3f;
    uint8_t* map_page = bytes.data() + size_t{kGlobalMapPage} * l.page_size;
    auto info = ParseDataPage(std::span<const uint8_t>(map_page, l.page_size), l);
    ASSERT_TRUE(info.ok());
    uint8_t* map = map_page + info->rows.at(0).start;
    ASSERT_EQ(map[0], kUsageMapInline);
    const uint32_t first = *GetU32(std::span<const uint8_t>(map, 5), 1);
    ASSERT_GE(page_, first);
    map[5 + (page_ - first) / 8] &= static_cast<uint8_t>(~(1u << ((page_ - first) % 8)));
    path_ = dir_.Write("left.mdb", bytes);

    live_ = testing::ReadUserRows(path_);
    // The file is sound: the page is only a leftover, its rows are not the table's.
    EXPECT_EQ(testing::ProblemsFound(path_), 0u);
    for (const StoredRow& row : live_) recipients_ += row.table == "Recipients" ? 1 : 0;
    EXPECT_EQ(recipients_, 300u - doomed.size());
  }

  // Repairs a copy damaged by `damage` and expects exactly the live rows back.
  // `scanned`: whether the Recipients rows must be found by scanning; nullopt when the damage
  // may or may not reach the table's map.
  void ExpectLiveRowsAfter(const std::function<void(Database&, std::vector<uint8_t>&)>& damage,
                           std::optional<bool> scanned) {
    std::vector<uint8_t> bytes = testing::ReadBytes(path_);
    {
      auto db = Database::OpenPath(path_);
      ASSERT_TRUE(db.ok());
      damage(**db, bytes);
    }
    const std::string damaged = dir_.Write("damaged.mdb", bytes);
    auto report = RepairDatabase(damaged);
    ASSERT_TRUE(report.ok()) << report.status().ToString();
    EXPECT_TRUE(report->repaired);
    EXPECT_EQ(testing::ProblemsFound(damaged), 0u);
    EXPECT_EQ(RowTexts(testing::ReadUserRows(damaged)), RowTexts(live_));
    if (scanned) {
      EXPECT_EQ(report->rows_found_by_scanning, *scanned ? recipients_ : 0u) << report->ToString();
    }
    EXPECT_NE(report->ToString().find("rows found only by scanning"), std::string::npos);
    std::filesystem::remove(damaged);
  }

  TempDir dir_;
  std::string path_;
  uint32_t page_ = 0;
  std::vector<StoredRow> live_;
  uint64_t recipients_ = 0;  // live rows of Recipients
};

TEST_P(RepairDeletedRowsTest, TableMapZeroed) {
  ExpectLiveRowsAfter(
      [](Database& db, std::vector<uint8_t>& bytes) {
        auto def = db.OpenTable("Recipients");
        Zero(bytes, RowSpan(db, def->used_pages));
      },
      true);
}

// The whole of page 1: the free-page map, with whatever other maps that page holds.
TEST_P(RepairDeletedRowsTest, FreePageMapPageZeroed) {
  ExpectLiveRowsAfter(
      [](Database& db, std::vector<uint8_t>& bytes) {
        std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(size_t{kGlobalMapPage} * db.page_size()),
                    db.page_size(), 0);
      },
      std::nullopt);
}

TEST_P(RepairDeletedRowsTest, TableMapAndFreePageMapZeroed) {
  ExpectLiveRowsAfter(
      [](Database& db, std::vector<uint8_t>& bytes) {
        auto def = db.OpenTable("Recipients");
        Zero(bytes, RowSpan(db, def->used_pages));
        Zero(bytes, RowSpan(db, RowPointer(kGlobalMapPage, 0)));
      },
      true);
}

TEST_P(RepairDeletedRowsTest, IndexPagesGarbled) {
  ExpectLiveRowsAfter(
      [](Database& db, std::vector<uint8_t>& bytes) {
        auto def = db.OpenTable("Recipients");
        for (const RealIndex& index : def->real_indexes) {
          std::vector<uint32_t> pages;
          (void)ReadIndexLeaves(db, index.root_page, &pages);
          for (uint32_t page : pages) {
            uint32_t seed = page;
            for (size_t i = 0x20; i < db.page_size(); ++i) {
              seed = seed * 1103515245 + 12345;
              bytes[size_t{page} * db.page_size() + i] = static_cast<uint8_t>(seed >> 16);
            }
          }
        }
      },
      false);
}

INSTANTIATE_TEST_SUITE_P(Versions, RepairDeletedRowsTest,
                         ::testing::Values(JetVersion::kJet3, JetVersion::kJet4),
                         [](const auto& p) { return p.param == JetVersion::kJet3 ? "Jet3" : "Jet4"; });

}  // namespace
}  // namespace jet
