// Compaction copies rows, long values and index keys as stored. Here: index pages written
// with shared prefixes read back whole; the copy's indexes hold exactly the source's keys,
// rows with equal keys in the order of their new places; table ids in the access-control
// entries follow their tables; and damage in the source fails the compaction whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>

#include "jet/base/Bytes.h"
#include "jet/compact/Compactor.h"
#include "jet/format/DataPage.h"
#include "jet/format/Row.h"
#include "jet/read/Database.h"
#include "jet/read/IndexPage.h"
#include "jet/read/TableReader.h"
#include "jet/write/IndexBuilder.h"
#include "tests/jet/DamageSupport.h"
#include "tests/jet/JetTestSupport.h"
#include "tools/generator/Generator.h"

namespace jet {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

std::vector<uint8_t> KeyFor(int i) {
  // Long runs of shared bytes, then a counter; every fifth key repeats the one before.
  std::vector<uint8_t> key(24, 0x41);
  const int n = i - (i % 5 == 4 ? 1 : 0);
  key.push_back(static_cast<uint8_t>(n >> 8));
  key.push_back(static_cast<uint8_t>(n));
  return key;
}

// Page by page from the root: the leftmost path down, then the leaf chain; every node
// entry must carry the last key of the page it points at.
std::vector<IndexEntry> WalkWritten(MemoryFile& file, const Layout& layout, uint32_t root,
                                    size_t& prefixed_pages) {
  auto page_at = [&](uint32_t number) {
    std::vector<uint8_t> bytes(layout.page_size);
    EXPECT_TRUE(file.ReadAt(uint64_t{number} * layout.page_size, bytes).ok());
    if (bytes[layout.index_prefix_length] != 0 || bytes[layout.index_prefix_length + 1] != 0)
      ++prefixed_pages;
    auto page = ParseIndexPage(bytes, layout);
    EXPECT_TRUE(page.ok()) << page.status().ToString();
    return page.ok() ? *page : IndexPage{};
  };
  IndexPage page = page_at(root);
  while (!page.leaf() && !page.entries.empty()) {
    for (const IndexEntry& node : page.entries) {
      const IndexPage child = page_at(node.child_page);
      EXPECT_FALSE(child.entries.empty());
      if (!child.entries.empty()) {
        EXPECT_EQ(child.entries.back().key, node.key);
      }
    }
    page = page_at(page.entries.front().child_page);
  }
  std::vector<IndexEntry> out;
  for (;;) {
    out.insert(out.end(), page.entries.begin(), page.entries.end());
    if (page.next_page == 0) break;
    page = page_at(page.next_page);
  }
  return out;
}

TEST(IndexPrefix, SharedKeyBytesAreStoredOnceAndReadBackWhole) {
  for (JetVersion version : {JetVersion::kJet3, JetVersion::kJet4}) {
    SCOPED_TRACE(version == JetVersion::kJet3 ? "Jet 3" : "Jet 4");
    const Layout& layout = LayoutFor(version);
    MemoryFile file;
    PageAllocator allocator(file, layout);
    allocator.Reserve();
    constexpr int kEntries = 4000;
    SortedIndexWriter writer(allocator, 7);
    for (int i = 0; i < kEntries; ++i) {
      ASSERT_TRUE(
          writer.Add(KeyFor(i), static_cast<uint32_t>(100 + i / 50), static_cast<uint8_t>(i % 50)).ok());
    }
    auto written = writer.Finish();
    ASSERT_TRUE(written.ok());
    EXPECT_EQ(written->entries, static_cast<uint32_t>(kEntries));
    size_t prefixed = 0;
    const std::vector<IndexEntry> entries = WalkWritten(file, layout, written->root, prefixed);
    ASSERT_EQ(entries.size(), static_cast<size_t>(kEntries));
    for (int i = 0; i < kEntries; ++i) {
      ASSERT_EQ(entries[static_cast<size_t>(i)].key, KeyFor(i)) << "entry " << i;
      ASSERT_EQ(entries[static_cast<size_t>(i)].data_page, static_cast<uint32_t>(100 + i / 50));
      ASSERT_EQ(entries[static_cast<size_t>(i)].data_row, i % 50);
    }
    // Whole entries take 30 bytes; with the 25 shared bytes left out they take 5.
    const size_t whole_pages = kEntries * 30 / (layout.page_size - layout.index_first_entry) + 1;
    EXPECT_LT(written->pages.size(), whole_pages / 3);
    EXPECT_GT(prefixed, 0u);
  }
}

// (key, row pointer) of every entry of every index, by table and index number, in the
// order the leaves give them.
using IndexDump = std::map<std::string, std::vector<std::pair<std::vector<uint8_t>, uint32_t>>>;

IndexDump DumpIndexes(Database& db) {
  IndexDump out;
  for (const CatalogEntry& entry : db.Tables(true)) {
    auto def = db.ReadTableDef(entry.DefinitionPage());
    EXPECT_TRUE(def.ok());
    if (!def.ok()) continue;
    for (const RealIndex& index : def->real_indexes) {
      auto leaves = ReadIndexLeaves(db, index.root_page);
      EXPECT_TRUE(leaves.ok()) << entry.name;
      if (!leaves.ok()) continue;
      auto& entries = out[entry.name + "#" + std::to_string(index.number)];
      for (const IndexEntry& e : *leaves) entries.emplace_back(e.key, (e.data_page << 8) | e.data_row);
    }
  }
  return out;
}

std::vector<std::vector<uint8_t>> SortedKeys(
    const std::vector<std::pair<std::vector<uint8_t>, uint32_t>>& entries) {
  std::vector<std::vector<uint8_t>> keys;
  for (const auto& e : entries) keys.push_back(e.first);
  std::sort(keys.begin(), keys.end());
  return keys;
}

TEST(CompactCopy, IndexesKeepTheirKeysAndOrderEqualKeysByRow) {
  for (const char* fixture :
       {"jet3/compIndexTestV1997.mdb", "jet3/indexTestV1997.mdb", "jet4/bigIndexTestV2003.mdb",
        "jet4/compIndexTestV2000.mdb", "jet4/testUnicodeCompV2003.mdb"}) {
    SCOPED_TRACE(fixture);
    TempDir dir;
    const std::string source = dir.CopyFixture(fixture);
    const std::string copy = (dir.path() / "copy.mdb").string();
    auto db = Database::OpenPath(source);
    ASSERT_TRUE(db.ok());
    ASSERT_TRUE(CompactToPath(**db, copy).ok());
    auto compacted = Database::OpenPath(copy);
    ASSERT_TRUE(compacted.ok());
    const IndexDump before = DumpIndexes(**db);
    const IndexDump after = DumpIndexes(**compacted);
    ASSERT_EQ(before.size(), after.size());
    for (const auto& [index, entries] : after) {
      SCOPED_TRACE(index);
      EXPECT_TRUE(std::is_sorted(entries.begin(), entries.end()));
      // Keys on table ids change with the ids; every other key is carried over as stored.
      if (index.rfind("MSysObjects#", 0) == 0 || index.rfind("MSysACEs#", 0) == 0) continue;
      ASSERT_EQ(before.count(index), 1u);
      EXPECT_EQ(SortedKeys(entries), SortedKeys(before.at(index)));
    }
  }
}

// Access-control entries as (object name, the rest of the row), the object named through
// the catalog.
std::multiset<std::string> AccessControl(Database& db) {
  std::map<uint32_t, std::string> names;
  for (const CatalogEntry& entry : db.catalog()) names[entry.id] = entry.name;
  std::multiset<std::string> out;
  auto def = db.OpenTable("MSysACEs");
  EXPECT_TRUE(def.ok());
  if (!def.ok()) return out;
  const ColumnDef* object = def->FindColumn("ObjectId");
  auto rows = ReadAllRows(db, *def);
  EXPECT_TRUE(rows.ok());
  if (!object || !rows.ok()) return out;
  for (const auto& row : *rows) {
    std::string line;
    for (size_t i = 0; i < row.size(); ++i) {
      if (def->columns[i].name == "ObjectId") {
        auto name = names.find(static_cast<uint32_t>(row[i].integer));
        line += "[" + (name == names.end() ? std::to_string(row[i].integer) : name->second) + "]";
      } else {
        line += "|" + (row[i].null ? "null" : std::to_string(row[i].integer) + row[i].text);
        for (uint8_t b : row[i].bytes) line += std::to_string(b) + ".";
      }
    }
    out.insert(line);
  }
  return out;
}

TEST(CompactCopy, TableIdsFollowTheirTables) {
  for (const char* fixture : {"jet3/testV1997.mdb", "jet4/passwordV2000.mdb"}) {
    SCOPED_TRACE(fixture);
    TempDir dir;
    const std::string source = dir.CopyFixture(fixture);
    const std::string password = testing::FixturePassword(fixture);
    const std::string copy = (dir.path() / "copy.mdb").string();
    auto db = Database::OpenPath(source, {.password = password});
    ASSERT_TRUE(db.ok());
    ASSERT_TRUE(CompactToPath(**db, copy).ok());
    auto compacted = Database::OpenPath(copy, {.password = password});
    ASSERT_TRUE(compacted.ok());
    size_t moved = 0;
    for (const CatalogEntry& table : (*compacted)->Tables(true)) {
      const CatalogEntry* original = (*db)->FindObject(table.name, kObjectTypeTable);
      ASSERT_NE(original, nullptr);
      EXPECT_EQ(table.id >> 24, original->id >> 24);
      if (table.id != original->id) ++moved;
    }
    EXPECT_GT(moved, 0u);
    const auto access = AccessControl(**compacted);
    EXPECT_FALSE(access.empty());
    EXPECT_EQ(access, AccessControl(**db));
  }
}

// Finds a table whose rows hold a memo or OLE value stored outside the row; returns the
// file offset of the value's row pointer.
std::optional<uint64_t> OutOfRowLongValue(Database& db) {
  for (const CatalogEntry& entry : db.Tables(false)) {
    auto def = db.ReadTableDef(entry.DefinitionPage());
    if (!def.ok()) continue;
    TableReader reader(db, *def);
    for (;;) {
      auto row = reader.Next();
      if (!row.ok() || !row->has_value()) break;
      auto fields = SplitRow((*row)->bytes, *def, db.layout());
      if (!fields.ok()) break;
      for (size_t i = 0; i < def->columns.size(); ++i) {
        const RawField& f = (*fields)[i];
        if (!def->columns[i].IsLongValue() || f.null || f.bytes.size() < kLongValueHeaderSize) continue;
        if (*GetU32(f.bytes, 0) & kLongValueInline) continue;
        auto page = db.ReadPage((*row)->page);
        auto info = ParseDataPage(*page, db.layout());
        const size_t start = info->rows[(*row)->slot].start;
        return uint64_t{(*row)->page} * db.page_size() + start +
               static_cast<size_t>(f.bytes.data() - (*row)->bytes.data()) + 4;
      }
    }
  }
  return std::nullopt;
}

void ExpectRefused(const std::string& source, const char* what) {
  SCOPED_TRACE(what);
  const auto before = testing::ReadBytes(source);
  const std::string target = source + ".compact";
  auto db = Database::OpenPath(source);
  ASSERT_TRUE(db.ok());
  auto result = CompactToPath(**db, target);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.status().kind(), ErrorKind::kCorrupt);
  EXPECT_NE(result.status().ToString().find("table '"), std::string::npos) << result.status().ToString();
  EXPECT_FALSE(fs::exists(target));
  EXPECT_EQ(testing::ReadBytes(source), before);
}

TEST(CompactCopy, DamageFailsTheCompactionWhole) {
  for (const char* fixture : {"jet3/testV1997.mdb", "jet4/test2V2000.mdb"}) {
    SCOPED_TRACE(fixture);
    TempDir dir;
    const std::string source = dir.CopyFixture(fixture);
    auto db = Database::OpenPath(source);
    ASSERT_TRUE(db.ok());
    auto at = testing::FirstIndexEntryRow(**db, false);
    ASSERT_TRUE(at.has_value());
    db->reset();
    testing::Poke(source, *at, 0xfe);
    ExpectRefused(source, "an index entry names a row that does not exist");
  }
  for (JetVersion version : {JetVersion::kJet3, JetVersion::kJet4}) {
    TempDir dir;
    tav::GenerateOptions options;
    options.rows = 40;
    options.version = version;
    ASSERT_TRUE(tav::GenerateInstallation((dir.path() / "i").string(), options).ok());
    const std::string source = (dir.path() / "i/history/history.mdb").string();
    auto db = Database::OpenPath(source);
    ASSERT_TRUE(db.ok());
    auto at = OutOfRowLongValue(**db);
    ASSERT_TRUE(at.has_value());
    db->reset();
    testing::Poke(source, *at, 0xfe);  // the row number of the value's first piece
    ExpectRefused(source, "a long value names a row that does not exist");
  }
}

}  // namespace
}  // namespace jet
