// Opening: header, catalog definition and catalog rows.
#include "bench/fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto db = jet::fuzz::OpenInput(data, size);
  if (db.ok()) (void)(*db)->Tables(true);
  return 0;
}
