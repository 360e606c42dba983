// The structural check over the whole file.
#include "bench/fuzz/FuzzInput.h"
#include "jet/check/Checker.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto db = jet::fuzz::OpenInput(data, size);
  if (!db.ok()) return 0;
  size_t seen = 0;
  const size_t count =
      jet::CheckDatabase(**db, [&seen](const jet::Problem& p) { seen += p.description.size(); });
  (void)count;
  return 0;
}
