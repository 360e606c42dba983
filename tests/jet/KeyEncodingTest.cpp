// Index keys computed by the encoder from each row's values, compared with the keys that
// Microsoft Access stored in the fixtures' index pages, for every row of every index.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "jet/Database.h"
#include "jet/KeyEncoder.h"
#include "jet/TableReader.h"
#include "tests/jet/JetTestSupport.h"

namespace jet {
namespace {

struct StoredEntry {
  Bytes key;
  uint32_t page;
  uint8_t row;
};

// Walks an index tree and collects its leaf entries. Entries after the first on a page
// leave out the prefix they share with the first one; a bitmask marks where each ends.
class IndexWalker {
 public:
  explicit IndexWalker(Database& db) : db_(db), layout_(db.layout()) {}

  Status Walk(uint32_t page, std::vector<StoredEntry>& out, int depth = 0) {
    if (depth > 8) return CorruptError("index too deep");
    JET_ASSIGN_OR_RETURN(const Bytes bytes, db_.ReadPage(page));
    const bool leaf = bytes[0] == kPageIndexLeaf;
    if (!leaf && bytes[0] != kPageIndexNode) return CorruptError("not an index page");
    // The shared-prefix length is one byte in Jet 3 and two in Jet 4.
    const bool jet4 = layout_.version == JetVersion::kJet4;
    const size_t prefix_at = layout_.index_prefix_length;
    const size_t prefix = jet4 ? bytes[prefix_at] | bytes[prefix_at + 1] << 8 : bytes[prefix_at];
    const size_t first = layout_.index_first_entry;
    const size_t used = layout_.page_size - first - (bytes[2] | bytes[3] << 8);
    Bytes first_key;
    size_t start = 0;
    for (size_t end = 1; end <= used; ++end) {
      const bool marked = (bytes[layout_.index_bitmask + end / 8] >> (end % 8)) & 1;
      if (!marked && end != used) continue;
      Bytes entry(bytes.begin() + first + start, bytes.begin() + first + end);
      if (start != 0 && prefix > first_key.size()) return CorruptError("index prefix longer than the first key");
      if (start != 0) entry.insert(entry.begin(), first_key.begin(), first_key.begin() + prefix);
      if (start == 0) first_key = entry;
      start = end;
      const size_t tail = leaf ? 4 : 8;
      if (entry.size() < tail) return CorruptError("short index entry");
      const size_t key_size = entry.size() - tail;
      if (leaf) {
        const uint32_t row_page = entry[key_size] << 16 | entry[key_size + 1] << 8 | entry[key_size + 2];
        out.push_back({Bytes(entry.begin(), entry.begin() + key_size), row_page, entry[key_size + 3]});
      } else {
        const uint32_t child = uint32_t(entry[key_size + 4]) << 24 | entry[key_size + 5] << 16 |
                               entry[key_size + 6] << 8 | entry[key_size + 7];
        JET_RETURN_IF_ERROR(Walk(child, out, depth + 1));
      }
      if (end == used) break;
    }
    return Status::Ok();
  }

 private:
  Database& db_;
  const Layout& layout_;
};

// The sort direction of each column of each real index, read from the definition itself:
// the order byte is 1 for ascending and 0 for descending.
std::vector<std::vector<bool>> DescendingColumns(Database& db, const TableDef& def) {
  const Layout& l = db.layout();
  Bytes bytes;
  for (size_t i = 0; i < def.pages.size(); ++i) {
    auto page = db.ReadPage(def.pages[i]);
    if (!page.ok()) return {};
    bytes.insert(bytes.end(), page->begin() + (i == 0 ? 0 : 8), page->end());
  }
  size_t at = l.tdef_header_end + def.real_index_count * l.tdef_real_index_entry + def.columns.size() * l.tdef_column_entry;
  for (size_t c = 0; c < def.columns.size(); ++c) {
    at += l.name_length_size + (l.name_length_size == 2 ? (bytes[at] | bytes[at + 1] << 8) : bytes[at]);
  }
  std::vector<std::vector<bool>> result;
  const size_t base = l.version == JetVersion::kJet4 ? 4 : 0;
  for (size_t r = 0; r < def.real_index_count; ++r, at += l.tdef_real_index_def) {
    std::vector<bool> descending;
    for (size_t slot = 0; slot < 10; ++slot) {
      const size_t e = at + base + slot * 3;
      if ((bytes[e] | bytes[e + 1] << 8) != 0xFFFF) descending.push_back(bytes[e + 2] == 0);
    }
    result.push_back(descending);
  }
  return result;
}

// The writer's form of a value the reader decoded.
CellValue ToCell(const ColumnDef& column, const Value& v) {
  if (column.type == ColumnType::kBoolean) return v.integer != 0;
  if (v.null) return std::monostate{};
  switch (column.type) {
    case ColumnType::kByte:
    case ColumnType::kInteger:
    case ColumnType::kLong:
    case ColumnType::kCurrency:
      return v.integer;
    case ColumnType::kSingle:
    case ColumnType::kDouble:
    case ColumnType::kDateTime:
      return v.real;
    case ColumnType::kText:
      return v.text;
    case ColumnType::kNumeric: {
      std::string digits;
      for (char c : v.text) {
        if (c != '.') digits += c;
      }
      return static_cast<int64_t>(std::stoll(digits));
    }
    default:
      return v.bytes;
  }
}

bool IsText(const ColumnDef& column) { return column.type == ColumnType::kText; }

struct Tally {
  size_t compared = 0;
  size_t matched = 0;
  std::map<std::string, std::pair<size_t, size_t>> by_kind;  // kind -> compared, matched
  std::vector<std::string> non_text_mismatches;
  std::vector<std::string> text_mismatches;
};

std::string Hex(const Bytes& b) {
  std::string s;
  char two[3];
  for (uint8_t x : b) {
    std::snprintf(two, sizeof two, "%02x", x);
    s += two;
  }
  return s;
}

void CompareTable(Database& db, const TableDef& def, const std::string& where, Tally& tally) {
  // Rows by location, in the writer's value form, one plan column per table column.
  std::map<std::pair<uint32_t, uint8_t>, RowValues> rows;
  TableReader reader(db, def);
  while (true) {
    auto next = reader.Next();
    ASSERT_TRUE(next.ok()) << where << ": " << next.status().ToString();
    if (!next->has_value()) break;
    auto values = reader.Decode(**next);
    ASSERT_TRUE(values.ok()) << where << ": " << values.status().ToString();
    RowValues cells;
    for (size_t i = 0; i < def.columns.size(); ++i) cells.push_back(ToCell(def.columns[i], (*values)[i]));
    rows[{(*next)->page, (*next)->slot}] = std::move(cells);
  }
  std::vector<ColumnPlan> plans(def.columns.size());
  for (size_t i = 0; i < def.columns.size(); ++i) {
    plans[i].design.name = def.columns[i].name;
    plans[i].design.type = def.columns[i].type;
    plans[i].number = static_cast<uint16_t>(i);
    plans[i].fixed_size = FixedSizeOf(def.columns[i].type);
  }
  const std::vector<std::vector<bool>> descending = DescendingColumns(db, def);
  ASSERT_EQ(descending.size(), def.real_indexes.size()) << where;
  for (size_t r = 0; r < def.real_indexes.size(); ++r) {
    const RealIndex& index = def.real_indexes[r];
    ASSERT_EQ(descending[r].size(), index.columns.size()) << where;
    std::vector<KeyColumn> key_columns;
    bool has_text = false;
    std::string kind;
    for (size_t k = 0; k < index.columns.size(); ++k) {
      const IndexColumn& c = index.columns[k];
      size_t at = 0;
      while (at < def.columns.size() && def.columns[at].number != c.column_number) ++at;
      ASSERT_LT(at, def.columns.size()) << where;
      key_columns.push_back(KeyColumn{&plans[at], descending[r][k]});
      has_text = has_text || IsText(def.columns[at]);
      kind += (kind.empty() ? "" : "+") + std::to_string(static_cast<int>(def.columns[at].type));
    }
    const KeyEncoder encoder(db.layout(), key_columns);
    std::vector<StoredEntry> entries;
    const Status walked = IndexWalker(db).Walk(index.root_page, entries);
    ASSERT_TRUE(walked.ok()) << where << ": " << walked.ToString();
    for (const StoredEntry& e : entries) {
      const auto row = rows.find({e.page, e.row});
      if (row == rows.end()) continue;  // an entry of a row the reader does not list
      auto key = encoder.Encode(row->second);
      ASSERT_TRUE(key.ok()) << where << ": " << key.status().ToString();
      const bool same = *key == e.key;
      ++tally.compared;
      tally.matched += same ? 1 : 0;
      auto& k = tally.by_kind[where.substr(0, 4) + (has_text ? " text" : " other")];
      ++k.first;
      k.second += same ? 1 : 0;
      if (!same) {
        const std::string line = where + " index " + std::to_string(index.number) + " types " + kind + ": stored " +
                                 Hex(e.key) + " computed " + Hex(*key);
        (has_text ? tally.text_mismatches : tally.non_text_mismatches).push_back(line);
      }
    }
  }
}

TEST(KeyEncodingTest, KeysMatchTheOnesAccessStoredInEveryFixture) {
  testing::TempDir tmp;
  Tally tally;
  for (const std::string& fixture : testing::AllFixtures()) {
    auto db = Database::OpenPath(tmp.CopyFixture(fixture), {.password = testing::FixturePassword(fixture)});
    ASSERT_TRUE(db.ok()) << fixture << ": " << db.status().ToString();
    for (const CatalogEntry& table : (*db)->Tables(true)) {
      auto def = (*db)->ReadTableDef(table.DefinitionPage());
      ASSERT_TRUE(def.ok()) << fixture << " " << table.name << ": " << def.status().ToString();
      CompareTable(**db, *def, fixture + " " + table.name, tally);
    }
  }
  std::printf("index keys compared: %zu, equal: %zu\n", tally.compared, tally.matched);
  for (const auto& [kind, counts] : tally.by_kind) {
    std::printf("  %s keys: %zu compared, %zu equal\n", kind.c_str(), counts.first, counts.second);
  }
  for (size_t i = 0; i < tally.text_mismatches.size() && i < 10; ++i) {
    std::printf("  differs: %s\n", tally.text_mismatches[i].c_str());
  }
  EXPECT_GT(tally.compared, 7000u);
  EXPECT_EQ(tally.non_text_mismatches, std::vector<std::string>{});
  EXPECT_EQ(tally.text_mismatches, std::vector<std::string>{});
  EXPECT_EQ(tally.matched, tally.compared);
}

}  // namespace
}  // namespace jet
