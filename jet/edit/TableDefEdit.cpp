#include "jet/edit/TableDefEdit.h"

#include <algorithm>

#include "jet/base/Bytes.h"
#include "jet/read/DefinitionBytes.h"

namespace jet {
namespace {

constexpr uint8_t kEndOfMaps[] = {0xff, 0xff};

using Bytes8 = std::vector<uint8_t>;

void Append(Bytes8& out, const Bytes8& from, size_t begin, size_t end) {
  out.insert(out.end(), from.begin() + static_cast<std::ptrdiff_t>(begin),
             from.begin() + static_cast<std::ptrdiff_t>(end));
}

}  // namespace

Result<TableDef> RemoveIndexes(std::vector<uint8_t>& flat, const Layout& l, const TableDef& def,
                               const std::vector<bool>& keep_real) {
  const size_t reals = def.real_indexes.size();
  const size_t logicals = def.indexes.size();
  if (keep_real.size() != reals) return Status(ErrorKind::kInvalidArgument, "one flag per real index");
  JET_ASSIGN_OR_RETURN(const IndexSections sections, LocateIndexSections(flat, l, def.columns.size(), reals));
  const size_t names = sections.logical_entries + logicals * l.tdef_logical_index;
  const auto rest = SkipNames(flat, l, names, logicals);
  if (!rest) return CorruptError("damaged table definition: index names run past the end");
  // The new number of each kept real index.
  std::vector<uint32_t> renumbered(reals, 0);
  TableDef out = def;
  out.real_indexes.clear();
  for (size_t i = 0; i < reals; ++i) {
    if (!keep_real[i]) continue;
    renumbered[i] = static_cast<uint32_t>(out.real_indexes.size());
    out.real_indexes.push_back(def.real_indexes[i]);
    out.real_indexes.back().number = renumbered[i];
  }
  out.indexes.clear();
  std::vector<size_t> kept_logical;
  for (size_t i = 0; i < logicals; ++i) {
    if (def.indexes[i].real_index >= reals || !keep_real[def.indexes[i].real_index]) continue;
    kept_logical.push_back(i);
    out.indexes.push_back(def.indexes[i]);
    out.indexes.back().real_index = renumbered[def.indexes[i].real_index];
  }
  Bytes8 edited;
  Append(edited, flat, 0, l.tdef_header_end);
  for (size_t i = 0; i < reals; ++i) {
    const size_t at = l.tdef_header_end + i * l.tdef_real_index_entry;
    if (keep_real[i]) Append(edited, flat, at, at + l.tdef_real_index_entry);
  }
  const size_t columns = l.tdef_header_end + reals * l.tdef_real_index_entry;
  Append(edited, flat, columns, sections.real_definitions);
  for (size_t i = 0; i < reals; ++i) {
    const size_t at = sections.real_definitions + i * l.tdef_real_index_def;
    if (keep_real[i]) Append(edited, flat, at, at + l.tdef_real_index_def);
  }
  for (size_t i : kept_logical) {
    const size_t at = sections.logical_entries + i * l.tdef_logical_index;
    Append(edited, flat, at, at + l.tdef_logical_index);
    PutU32(edited, edited.size() - l.tdef_logical_index + l.logical_index_real_index,
           renumbered[def.indexes[i].real_index]);
  }
  size_t name = names;
  for (size_t i = 0; i < logicals; ++i) {
    const size_t end = *SkipNames(flat, l, name, 1);
    if (std::find(kept_logical.begin(), kept_logical.end(), i) != kept_logical.end())
      Append(edited, flat, name, end);
    name = end;
  }
  Append(edited, flat, *rest, flat.size());
  PutU32(edited, l.tdef_real_index_count, static_cast<uint32_t>(out.real_indexes.size()));
  PutU32(edited, l.tdef_index_count, static_cast<uint32_t>(out.indexes.size()));
  const uint32_t length = *GetU32(flat, l.tdef_length);
  const size_t removed = flat.size() - edited.size();
  PutU32(edited, l.tdef_length, static_cast<uint32_t>(length > removed ? length - removed : edited.size()));
  out.real_index_count = static_cast<uint32_t>(out.real_indexes.size());
  out.logical_index_count = static_cast<uint32_t>(out.indexes.size());
  flat = std::move(edited);
  return out;
}

Result<std::vector<uint8_t>> ColumnsOnly(const std::vector<uint8_t>& flat, const Layout& l) {
  if (flat.size() < l.tdef_header_end) return CorruptError("damaged table definition: header is cut short");
  const size_t reals = *GetU32(flat, l.tdef_real_index_count);
  const size_t columns = *GetU16(flat, l.tdef_columns);
  const size_t entries = l.tdef_header_end + reals * l.tdef_real_index_entry;
  if (reals > flat.size() / l.tdef_real_index_entry || entries > flat.size()) {
    return CorruptError("damaged table definition: index entries run past the end");
  }
  const auto names_end = SkipNames(flat, l, entries + columns * l.tdef_column_entry, columns);
  if (!names_end) return CorruptError("damaged table definition: column names run past the end");
  Bytes8 out;
  Append(out, flat, 0, l.tdef_header_end);
  Append(out, flat, entries, *names_end);
  out.insert(out.end(), std::begin(kEndOfMaps), std::end(kEndOfMaps));
  PutU32(out, l.tdef_real_index_count, 0);
  PutU32(out, l.tdef_index_count, 0);
  PutU32(out, l.tdef_length, static_cast<uint32_t>(out.size()));
  return out;
}

}  // namespace jet
