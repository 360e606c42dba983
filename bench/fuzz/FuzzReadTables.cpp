// Reading every row of every table, long values included.
#include "bench/fuzz/FuzzInput.h"
#include "jet/read/TableReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto db = jet::fuzz::OpenInput(data, size);
  if (!db.ok()) return 0;
  for (const jet::CatalogEntry& entry : (*db)->Tables(true)) {
    auto def = (*db)->ReadTableDef(entry.DefinitionPage());
    if (!def.ok()) continue;
    jet::TableReader reader(**db, *def);
    while (true) {
      auto row = reader.Next();
      if (!row.ok() || !row->has_value()) break;
      (void)reader.Decode(**row);
    }
  }
  return 0;
}
