#pragma once
// Damaging copies of fixture databases in memory, and what the open and the check then say.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "jet/check/Checker.h"
#include "jet/format/Format.h"
#include "jet/read/Database.h"

namespace jet::testing {

// A fixture's bytes, free to be damaged; the fixture file itself is only read.
struct DamagedFile {
  explicit DamagedFile(const std::string& fixture);

  const Layout& layout() const { return LayoutFor(bytes[0x14] == 0 ? JetVersion::kJet3 : JetVersion::kJet4); }
  uint32_t page_size() const { return layout().page_size; }
  uint8_t* Page(uint32_t number) { return bytes.data() + size_t{number} * page_size(); }
  void PutU16(uint32_t page, size_t offset, uint16_t value);
  void PutU32(uint32_t page, size_t offset, uint32_t value);

  // Opens the bytes as they are now; `tolerate` as in OpenOptions.
  Result<std::unique_ptr<Database>> Open(bool tolerate = false) const;
  // Every problem the check reports, or the lenient open's own error as one problem; the
  // leftovers it notes go to `notes` when given.
  std::vector<Problem> Check(std::vector<Note>* notes = nullptr) const;

  std::string fixture;
  std::string password;
  std::vector<uint8_t> bytes;
};

// The file offset of the row byte of the first entry of the first index of a table with rows
// (user tables only unless `system`); nullopt when there is none.
std::optional<uint64_t> FirstIndexEntryRow(Database& db, bool system);
// Sets one byte of a file.
void Poke(const std::string& path, uint64_t offset, uint8_t value);

// True when `problems` holds one in `area` on `page`.
bool Reports(const std::vector<Problem>& problems, ProblemArea area, uint32_t page);
// True when `notes` holds one of `kind` on `page`.
bool Notes(const std::vector<Note>& notes, Leftover kind, uint32_t page);
std::string Describe(const std::vector<Problem>& problems);

}  // namespace jet::testing
