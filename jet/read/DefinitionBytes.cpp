#include "jet/read/DefinitionBytes.h"

#include "jet/base/Bytes.h"

namespace jet {

std::optional<size_t> SkipNames(std::span<const uint8_t> bytes, const Layout& l, size_t at, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    std::optional<uint32_t> length;
    if (l.name_length_size == 1 && at < bytes.size()) length = bytes[at];
    if (l.name_length_size == 2) length = GetU16(bytes, at);
    if (!length || at + l.name_length_size + *length > bytes.size()) return std::nullopt;
    at += l.name_length_size + *length;
  }
  return at;
}

Result<IndexSections> LocateIndexSections(std::span<const uint8_t> bytes, const Layout& l, size_t columns,
                                          size_t real_indexes) {
  const size_t first =
      l.tdef_header_end + real_indexes * l.tdef_real_index_entry + columns * l.tdef_column_entry;
  auto at = SkipNames(bytes, l, first, columns);
  if (!at) return CorruptError("column names run past the end");
  IndexSections sections{*at, *at + real_indexes * l.tdef_real_index_def};
  if (sections.logical_entries > bytes.size()) return CorruptError("index definitions run past the end");
  return sections;
}

}  // namespace jet
