#include "jet/write/SystemCatalog.h"

namespace jet {
namespace {

constexpr int64_t kRootContainer = 0x0F000000;
constexpr int64_t kTablesContainer = 0x0F000001;
constexpr int64_t kDatabasesContainer = 0x0F000002;
constexpr int64_t kRelationshipsContainer = 0x0F000003;
constexpr int64_t kDatabaseObject = 0x10000000;
constexpr int64_t kSystemFlags = -2147483648LL;  // 0x80000000 as a signed Long
constexpr int64_t kTypeTable = 1;
constexpr int64_t kTypeDatabase = 2;
constexpr int64_t kTypeContainer = 3;

ColumnDesign Col(const char* name, ColumnType type, uint16_t length = 0) {
  return ColumnDesign{name, type, length};
}

IndexDesign Index(const char* name, std::vector<const char*> columns, bool primary, bool unique) {
  IndexDesign index;
  index.name = name;
  for (const char* c : columns) index.columns.push_back(IndexColumnDesign{c, false});
  index.primary_key = primary;
  index.unique = unique;
  return index;
}

RowValues ObjectRow(int64_t id, int64_t parent, const std::string& name, int64_t type, double created,
                    int64_t flags) {
  RowValues row(17);
  row[0] = id;
  row[1] = parent;
  row[2] = name;
  row[3] = type;
  row[4] = created;
  row[5] = created;
  row[7] = flags;
  return row;
}

}  // namespace

TableDesign CatalogTableDesign() {
  using T = ColumnType;
  TableDesign design{
      "MSysObjects",
      {Col("Id", T::kLong), Col("ParentId", T::kLong), Col("Name", T::kText, 255), Col("Type", T::kInteger),
       Col("DateCreate", T::kDateTime), Col("DateUpdate", T::kDateTime), Col("Owner", T::kBinary, 255),
       Col("Flags", T::kLong), Col("Database", T::kMemo), Col("Connect", T::kMemo),
       Col("ForeignName", T::kText, 255), Col("RmtInfoShort", T::kBinary, 255), Col("RmtInfoLong", T::kOle),
       Col("Lv", T::kOle), Col("LvProp", T::kOle), Col("LvModule", T::kOle), Col("LvExtra", T::kOle)},
      {Index("Id", {"Id"}, true, true), Index("ParentIdName", {"ParentId", "Name"}, false, true)},
      true};
  return design;
}

TableDesign AccessControlTableDesign() {
  using T = ColumnType;
  return TableDesign{"MSysACEs",
                     {Col("ObjectId", T::kLong), Col("SID", T::kBinary, 255), Col("ACM", T::kLong),
                      Col("FInheritable", T::kBoolean)},
                     {Index("ObjectId", {"ObjectId"}, false, false)},
                     true};
}

TableDesign QueriesTableDesign() {
  using T = ColumnType;
  return TableDesign{"MSysQueries",
                     {Col("ObjectId", T::kLong), Col("Attribute", T::kByte), Col("Order", T::kBinary, 255),
                      Col("Name1", T::kText, 255), Col("Name2", T::kText, 255), Col("Expression", T::kMemo),
                      Col("Flag", T::kInteger), Col("LvExtra", T::kLong)},
                     {Index("ObjectIdAttribute", {"ObjectId", "Attribute"}, true, false)},
                     true};
}

TableDesign RelationshipsTableDesign() {
  using T = ColumnType;
  return TableDesign{
      "MSysRelationships",
      {Col("szRelationship", T::kText, 255), Col("grbit", T::kLong), Col("ccolumn", T::kLong),
       Col("icolumn", T::kLong), Col("szObject", T::kText, 255), Col("szColumn", T::kText, 255),
       Col("szReferencedObject", T::kText, 255), Col("szReferencedColumn", T::kText, 255)},
      {Index("szObject", {"szObject"}, false, false),
       Index("szReferencedObject", {"szReferencedObject"}, false, false),
       Index("szRelationship", {"szRelationship"}, false, false)},
      true};
}

std::vector<RowValues> CatalogRows(const std::vector<CatalogTable>& tables, double created) {
  std::vector<RowValues> rows;
  rows.push_back(
      ObjectRow(kTablesContainer, kRootContainer, "Tables", kTypeContainer, created, kSystemFlags));
  rows.push_back(
      ObjectRow(kDatabasesContainer, kRootContainer, "Databases", kTypeContainer, created, kSystemFlags));
  rows.push_back(ObjectRow(kRelationshipsContainer, kRootContainer, "Relationships", kTypeContainer, created,
                           kSystemFlags));
  rows.push_back(
      ObjectRow(kDatabaseObject, kDatabasesContainer, "MSysDb", kTypeDatabase, created, kSystemFlags));
  for (const CatalogTable& t : tables) {
    rows.push_back(
        ObjectRow(t.table_page, kTablesContainer, t.name, kTypeTable, created, t.system ? kSystemFlags : 0));
  }
  return rows;
}

}  // namespace jet
