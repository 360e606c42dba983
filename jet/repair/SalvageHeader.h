#pragma once
// Reading the header page of a damaged file. What the format fixes (signature, version,
// page size) is restored from its constants, the version being the one under which page 2
// reads as the catalog's definition. The settings kept in the scrambled region (code page,
// sort order, database key, password, creation date) are kept when they are plausible and
// replaced by the writer's defaults when they are not; each replacement is reported.

#include <cstdint>
#include <vector>

#include "jet/format/Header.h"
#include "jet/io/File.h"
#include "jet/repair/RepairReport.h"

namespace jet {

struct SalvagedHeader {
  Header header;                // settings to use (restored where damaged)
  bool intact = true;           // the stored page can be carried over as it is
  std::vector<uint8_t> stored;  // the first page as stored (scrambled), padded to a page
};

// Errors: kUnsupported for a version byte other than Jet 3's and Jet 4's behind a whole
// signature; kCorrupt when the
// file is too short to hold the catalog, or when neither format
// version reads page 2 as the catalog's definition (the file is not a Jet database, or the
// pages are encrypted under a key the header has lost).
Result<SalvagedHeader> SalvageHeader(File& file, RepairReport& report);

// The header page of the repaired file for `salvaged`: the stored page when intact, else a
// new page holding the restored settings.
std::vector<uint8_t> RepairedHeaderPage(const SalvagedHeader& salvaged);

}  // namespace jet
