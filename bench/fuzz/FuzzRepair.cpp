// Repair into memory; a copy that was written must open and go through the check.
#include "bench/fuzz/FuzzInput.h"
#include "jet/check/Checker.h"
#include "jet/repair/Repairer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  jet::MemoryFile source(std::vector<uint8_t>(data, data + size), "fuzz.mdb");
  jet::MemoryFile repaired;
  auto report = jet::RepairInto(source, repaired);
  if (!report.ok()) return 0;
  auto db =
      jet::Database::Open(std::make_unique<jet::MemoryFile>(repaired.bytes()), {.password = "password"});
  if (db.ok()) (void)jet::CheckDatabase(**db, [](const jet::Problem&) {});
  return 0;
}
