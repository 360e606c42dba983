// Index definitions as the table definition pages state them, checked against what the
// fixtures store elsewhere: the index keys themselves (order), the kinds of the indexes
// (flags) and the relationship table that Access keeps beside them (cascades).
#include <gtest/gtest.h>

#include <map>

#include "jet/read/Database.h"
#include "jet/read/IndexPage.h"
#include "jet/read/TableReader.h"
#include "tests/jet/JetTestSupport.h"

namespace jet {
namespace {

using testing::AllFixtures;
using testing::FixturePassword;
using testing::TempDir;

constexpr int64_t kRelationCascadeUpdates = 0x100;
constexpr int64_t kRelationCascadeDeletes = 0x1000;

std::unique_ptr<Database> OpenCopy(const TempDir& temp, const std::string& fixture) {
  auto db = Database::OpenPath(temp.CopyFixture(fixture), {FixturePassword(fixture)});
  EXPECT_TRUE(db.ok()) << fixture << ": " << db.status().ToString();
  return db.ok() ? std::move(db).value() : nullptr;
}

TableDef Table(Database& db, const std::string& name) {
  auto def = db.OpenTable(name);
  EXPECT_TRUE(def.ok()) << name << ": " << def.status().ToString();
  return def.ok() ? std::move(def).value() : TableDef{};
}

const RealIndex& TreeOf(const TableDef& def, const std::string& index) {
  for (const LogicalIndex& x : def.indexes) {
    if (x.name == index) return def.real_indexes.at(x.real_index);
  }
  ADD_FAILURE() << "no index " << index;
  static const RealIndex none;
  return none;
}

std::vector<bool> Orders(const TableDef& def, const std::string& index) {
  std::vector<bool> out;
  for (const IndexColumn& c : TreeOf(def, index).columns) out.push_back(c.ascending);
  return out;
}

TEST(IndexDefinitionTest, ColumnOrderOfNamedIndexes) {
  TempDir temp;
  auto codes = OpenCopy(temp, "jet3/testIndexCodesV1997.mdb");
  ASSERT_TRUE(codes);
  EXPECT_EQ(Orders(Table(*codes, "Table12"), "DataIndex"), (std::vector<bool>{true, true}));
  EXPECT_EQ(Orders(Table(*codes, "Table12_asc_desc"), "DataIndex"), (std::vector<bool>{true, false}));
  EXPECT_EQ(Orders(Table(*codes, "Table12_desc_asc"), "DataIndex"), (std::vector<bool>{false, true}));
  EXPECT_EQ(Orders(Table(*codes, "Table12_desc_desc"), "DataIndex"), (std::vector<bool>{false, false}));
  for (const char* fixture : {"jet3/compIndexTestV1997.mdb", "jet4/compIndexTestV2000.mdb"}) {
    auto db = OpenCopy(temp, fixture);
    ASSERT_TRUE(db);
    EXPECT_EQ(Orders(Table(*db, "Table1"), "CD_AGENTE"), std::vector<bool>{false}) << fixture;
  }
}

// A key starts with the flag byte of its first column: below 0x80 when that column sorts
// ascending, from 0x80 up when it sorts descending (the whole column is complemented).
TEST(IndexDefinitionTest, ColumnOrderAgreesWithTheStoredKeysInEveryFixture) {
  TempDir temp;
  size_t descending_seen = 0;
  for (const std::string& fixture : AllFixtures()) {
    if (fixture.find("bigIndex") != std::string::npos) continue;  // same layout, only slower
    auto db = OpenCopy(temp, fixture);
    ASSERT_TRUE(db);
    for (const CatalogEntry& table : db->Tables(true)) {
      const TableDef def = Table(*db, table.name);
      for (const RealIndex& index : def.real_indexes) {
        if (index.columns.empty()) continue;
        auto leaves = ReadIndexLeaves(*db, index.root_page);
        ASSERT_TRUE(leaves.ok()) << fixture << " " << table.name << ": " << leaves.status().ToString();
        if (leaves->empty() || leaves->front().key.empty()) continue;
        const bool ascending = index.columns.front().ascending;
        descending_seen += ascending ? 0 : 1;
        EXPECT_EQ(leaves->front().key.front() < 0x80, ascending)
            << fixture << " " << table.name << " index " << index.number;
      }
    }
  }
  EXPECT_GE(descending_seen, 10u);
}

TEST(IndexDefinitionTest, FlagsFollowTheIndexKindsInBothVersions) {
  TempDir temp;
  for (const char* fixture : {"jet3/indexTestV1997.mdb", "jet4/indexTestV2000.mdb"}) {
    SCOPED_TRACE(fixture);
    auto db = OpenCopy(temp, fixture);
    ASSERT_TRUE(db);
    const TableDef table1 = Table(*db, "Table1");
    EXPECT_EQ(TreeOf(table1, "PrimaryKey").flags, kIndexUnique | kIndexRequired);
    EXPECT_EQ(TreeOf(table1, "id").flags, 0);
    EXPECT_EQ(TreeOf(table1, "Table2Table1").flags, 0);
    const TableDef objects = Table(*db, "MSysObjects");
    EXPECT_EQ(TreeOf(objects, "Id").flags, kIndexUnique);
    const TableDef relationships = Table(*db, "MSysRelationships");
    EXPECT_EQ(TreeOf(relationships, "szObject").flags, kIndexIgnoreNulls);
    const TableDef access_control = Table(*db, "MSysACEs");
    EXPECT_EQ(TreeOf(access_control, "ObjectId").flags, kIndexRequired);
  }
}

// Every primary key of a user table, in every fixture, sits on a unique and required tree
// (Access's own tables mark some unique indexes primary without requiring them); no other
// flag bit ever comes through.
TEST(IndexDefinitionTest, PrimaryKeysAreUniqueAndRequiredInEveryFixture) {
  TempDir temp;
  size_t primary_keys = 0;
  for (const std::string& fixture : AllFixtures()) {
    auto db = OpenCopy(temp, fixture);
    ASSERT_TRUE(db);
    for (const CatalogEntry& table : db->Tables(true)) {
      const TableDef def = Table(*db, table.name);
      for (const RealIndex& index : def.real_indexes) {
        EXPECT_EQ(index.flags & ~(kIndexUnique | kIndexIgnoreNulls | kIndexRequired), 0) << fixture;
      }
      for (const LogicalIndex& x : def.indexes) {
        if (x.kind != kLogicalIndexPrimary || table.IsSystem()) continue;
        ++primary_keys;
        EXPECT_EQ(def.real_indexes.at(x.real_index).flags & (kIndexUnique | kIndexRequired),
                  kIndexUnique | kIndexRequired)
            << fixture << " " << table.name << "." << x.name;
      }
    }
  }
  EXPECT_GE(primary_keys, 20u);
}

struct Relationship {
  std::string object;
  std::string referenced;
  int64_t grbit = 0;
};

std::vector<Relationship> Relationships(Database& db) {
  std::vector<Relationship> out;
  auto def = db.OpenTable("MSysRelationships");
  if (!def.ok()) return out;
  auto rows = ReadAllRows(db, *def);
  EXPECT_TRUE(rows.ok()) << rows.status().ToString();
  if (!rows.ok()) return out;
  const auto column = [&](const char* name) {
    for (size_t i = 0; i < def->columns.size(); ++i) {
      if (def->columns[i].name == name) return i;
    }
    ADD_FAILURE() << "no column " << name;
    return size_t{0};
  };
  const size_t object = column("szObject"), referenced = column("szReferencedObject"),
               grbit = column("grbit");
  for (const auto& row : *rows) out.push_back({row[object].text, row[referenced].text, row[grbit].integer});
  return out;
}

// Both ends of an enforced relationship carry a foreign-key index whose cascade flags must
// say what the relationship's own record says; no other index cascades.
TEST(IndexDefinitionTest, CascadesMatchTheRelationshipTableInEveryFixture) {
  TempDir temp;
  size_t checked = 0;
  for (const std::string& fixture : AllFixtures()) {
    auto db = OpenCopy(temp, fixture);
    ASSERT_TRUE(db);
    const std::vector<Relationship> relationships = Relationships(*db);
    std::map<uint32_t, std::string> names;
    for (const CatalogEntry& t : db->Tables(true)) names[t.DefinitionPage()] = t.name;
    for (const CatalogEntry& table : db->Tables(true)) {
      const TableDef def = Table(*db, table.name);
      for (const LogicalIndex& x : def.indexes) {
        SCOPED_TRACE(fixture + " " + table.name + "." + x.name);
        if (x.kind != kLogicalIndexForeign) {
          EXPECT_FALSE(x.cascade_updates || x.cascade_deletes);
          continue;
        }
        const std::string other = names[x.related_table_page];
        std::vector<Relationship> found;
        for (const Relationship& r : relationships) {
          if ((r.object == table.name && r.referenced == other) ||
              (r.object == other && r.referenced == table.name)) {
            found.push_back(r);
          }
        }
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(x.cascade_updates, (found[0].grbit & kRelationCascadeUpdates) != 0);
        EXPECT_EQ(x.cascade_deletes, (found[0].grbit & kRelationCascadeDeletes) != 0);
        ++checked;
      }
    }
  }
  EXPECT_GE(checked, 8u);
}

}  // namespace
}  // namespace jet
