// Compaction into memory; a copy that was written must open and read again.
#include "bench/fuzz/FuzzInput.h"
#include "jet/compact/Compactor.h"
#include "jet/read/TableReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto db = jet::fuzz::OpenInput(data, size);
  if (!db.ok()) return 0;
  jet::MemoryFile copy;
  auto summary = jet::CompactInto(**db, copy);
  if (!summary.ok()) return 0;
  auto reopened =
      jet::Database::Open(std::make_unique<jet::MemoryFile>(copy.bytes()), {.password = "password"});
  if (!reopened.ok()) return 0;
  for (const jet::CatalogEntry& entry : (*reopened)->Tables(true)) {
    auto def = (*reopened)->ReadTableDef(entry.DefinitionPage());
    if (def.ok()) (void)jet::ReadAllRows(**reopened, *def);
  }
  return 0;
}
