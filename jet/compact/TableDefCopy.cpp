#include "jet/compact/TableDefCopy.h"

#include <utility>

#include "jet/base/Bytes.h"
#include "jet/read/DefinitionBytes.h"
#include "jet/read/DefinitionPages.h"

namespace jet {
namespace {

constexpr uint16_t kEndOfList = 0xffff;
constexpr size_t kLongValueMapEntry = 10;  // column number, used pages, free pages

// Reads and writes the definition's bytes as one run, every access checked.
class DefinitionBytes {
 public:
  explicit DefinitionBytes(std::vector<uint8_t>& bytes) : bytes_(bytes) {}

  size_t size() const { return bytes_.size(); }
  std::optional<uint32_t> U32(size_t at) const { return GetU32(bytes_, at); }
  std::optional<uint16_t> U16(size_t at) const { return GetU16(bytes_, at); }
  Status Put(size_t at, uint32_t v) {
    if (at + 4 > size()) return CorruptError("damaged table definition: a page pointer runs past the end");
    PutU32(bytes_, at, v);
    return Status::Ok();
  }

 private:
  std::vector<uint8_t>& bytes_;
};

Status MoveIndexes(DefinitionBytes& bytes, const Layout& l, const TableDef& def,
                   const IndexSections& sections, const MovedDefinition& to,
                   const std::map<uint32_t, uint32_t>& new_pages) {
  for (size_t i = 0; i < def.real_indexes.size(); ++i) {
    JET_RETURN_IF_ERROR(bytes.Put(l.tdef_header_end + i * l.tdef_real_index_entry + kRealIndexEntryKeyCount,
                                  to.index_keys[i]));
  }
  for (size_t i = 0; i < def.real_indexes.size(); ++i) {
    const size_t at = sections.real_definitions + i * l.tdef_real_index_def;
    JET_RETURN_IF_ERROR(bytes.Put(at + l.real_index_used_pages, to.index_maps[i]));
    JET_RETURN_IF_ERROR(bytes.Put(at + l.real_index_root, to.index_roots[i]));
  }
  for (size_t i = 0; i < def.indexes.size(); ++i) {
    const size_t at = sections.logical_entries + i * l.tdef_logical_index + l.logical_index_related_table;
    const uint32_t related = def.indexes[i].related_table_page;
    if (related == kNoRelatedTable || related == 0) continue;
    auto moved = new_pages.find(related);
    if (moved == new_pages.end()) {
      return CorruptError("index '" + def.indexes[i].name + "' relates to a table the catalog does not list");
    }
    JET_RETURN_IF_ERROR(bytes.Put(at, moved->second));
  }
  return Status::Ok();
}

Status MoveLongValueMaps(DefinitionBytes& bytes, size_t at, const MovedDefinition& to) {
  for (;;) {
    auto column = bytes.U16(at);
    if (!column) return CorruptError("damaged table definition: the long-value maps run past the end");
    if (*column == kEndOfList) return Status::Ok();
    auto used = bytes.U32(at + 2);
    auto free = bytes.U32(at + 6);
    if (!used || !free) return CorruptError("damaged table definition: the long-value maps run past the end");
    auto maps = to.long_value_maps.find(*column);
    if (maps == to.long_value_maps.end()) {
      return CorruptError("damaged table definition: long-value maps for column " + std::to_string(*column) +
                          ", which holds no long values");
    }
    if (*used != 0) JET_RETURN_IF_ERROR(bytes.Put(at + 2, maps->second.first));
    if (*free != 0) JET_RETURN_IF_ERROR(bytes.Put(at + 6, maps->second.second));
    at += kLongValueMapEntry;
  }
}

}  // namespace

Status MoveDefinitionPointers(std::vector<uint8_t>& flat, const Layout& l, const TableDef& def,
                              const MovedDefinition& to, const std::map<uint32_t, uint32_t>& new_pages) {
  if (to.index_maps.size() != def.real_indexes.size() || to.index_roots.size() != def.real_indexes.size() ||
      to.index_keys.size() != def.real_indexes.size()) {
    return Status(ErrorKind::kInvalidArgument, "the moved definition does not match its source");
  }
  DefinitionBytes bytes(flat);
  JET_RETURN_IF_ERROR(bytes.Put(l.tdef_used_pages, to.used_pages));
  JET_RETURN_IF_ERROR(bytes.Put(l.tdef_free_pages, to.free_pages));
  JET_RETURN_IF_ERROR(bytes.Put(l.tdef_row_count, to.row_count));
  JET_ASSIGN_OR_RETURN(const IndexSections sections,
                       LocateIndexSections(flat, l, def.columns.size(), def.real_indexes.size()));
  JET_RETURN_IF_ERROR(MoveIndexes(bytes, l, def, sections, to, new_pages));
  const auto maps = SkipNames(flat, l, sections.logical_entries + def.indexes.size() * l.tdef_logical_index,
                              def.indexes.size());
  if (!maps) return CorruptError("damaged table definition: index names run past the end");
  return MoveLongValueMaps(bytes, *maps, to);
}

Result<std::vector<Bytes>> MoveTableDef(PageSource& source, const TableDef& def, const MovedDefinition& to,
                                        const std::map<uint32_t, uint32_t>& new_pages) {
  const Layout& l = source.layout();
  if (to.pages.size() != def.pages.size()) {
    return Status(ErrorKind::kInvalidArgument, "the moved definition does not match its source");
  }
  std::vector<Bytes> pages(def.pages.size());
  for (size_t i = 0; i < def.pages.size(); ++i) JET_RETURN_IF_ERROR(source.ReadPage(def.pages[i], pages[i]));
  JET_ASSIGN_OR_RETURN(std::vector<uint8_t> flat, ReadDefinitionBytes(source, def));
  JET_RETURN_IF_ERROR(MoveDefinitionPointers(flat, l, def, to, new_pages));
  // Back onto the pages, each keeping its own header.
  size_t at = 0;
  for (size_t i = 0; i < pages.size(); ++i) {
    const size_t skip = i == 0 ? 0 : l.tdef_continuation_header;
    std::copy(flat.begin() + static_cast<std::ptrdiff_t>(at),
              flat.begin() + static_cast<std::ptrdiff_t>(at + l.page_size - skip),
              pages[i].begin() + static_cast<std::ptrdiff_t>(skip));
    at += l.page_size - skip;
    PutU32(pages[i], l.tdef_next_page, i + 1 < pages.size() ? to.pages[i + 1] : 0);
  }
  return pages;
}

}  // namespace jet
