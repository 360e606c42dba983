#include "tests/jet/DamageSupport.h"

#include <gtest/gtest.h>

#include <fstream>

#include "jet/read/IndexPage.h"
#include "tests/jet/JetTestSupport.h"

namespace jet::testing {

DamagedFile::DamagedFile(const std::string& name)
    : fixture(name), password(FixturePassword(name)), bytes(ReadBytes(FixturePath(name))) {}

void DamagedFile::PutU16(uint32_t page, size_t offset, uint16_t value) {
  Page(page)[offset] = static_cast<uint8_t>(value);
  Page(page)[offset + 1] = static_cast<uint8_t>(value >> 8);
}

void DamagedFile::PutU32(uint32_t page, size_t offset, uint32_t value) {
  for (size_t i = 0; i < 4; ++i) Page(page)[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

Result<std::unique_ptr<Database>> DamagedFile::Open(bool tolerate) const {
  return Database::Open(std::make_unique<MemoryFile>(bytes),
                        {.password = password, .tolerate_damage = tolerate});
}

std::vector<Problem> DamagedFile::Check(std::vector<Note>* notes) const {
  auto db = Open(true);
  if (!db.ok()) return {Problem{{"", db.status().page(), db.status().description()}, ProblemArea::kCatalog}};
  std::vector<Problem> found;
  CheckDatabase(
      **db, [&found](const Problem& p) { found.push_back(p); },
      [notes](const Note& n) {
        if (notes) notes->push_back(n);
      });
  return found;
}

std::optional<uint64_t> FirstIndexEntryRow(Database& db, bool system) {
  for (const CatalogEntry& entry : db.Tables(system)) {
    auto def = db.ReadTableDef(entry.DefinitionPage());
    if (!def.ok() || def->real_indexes.empty() || def->row_count == 0) continue;
    uint32_t number = def->real_indexes.front().root_page;
    for (;;) {
      auto bytes = db.ReadPage(number);
      if (!bytes.ok()) return std::nullopt;
      auto page = ParseIndexPage(*bytes, db.layout());
      if (!page.ok()) return std::nullopt;
      if (!page->leaf()) {
        number = page->FirstChild();
        continue;
      }
      if (page->entries.empty()) break;  // an empty table's index
      // The first entry is stored whole: its key, then 3 bytes of page and the row.
      const size_t length = page->entries.front().key.size() + 4;
      return uint64_t{number} * db.page_size() + db.layout().index_first_entry + length - 1;
    }
  }
  return std::nullopt;
}

void Poke(const std::string& path, uint64_t offset, uint8_t value) {
  std::vector<uint8_t> bytes = ReadBytes(path);
  ASSERT_LT(offset, bytes.size());
  bytes[offset] = value;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool Reports(const std::vector<Problem>& problems, ProblemArea area, uint32_t page) {
  for (const Problem& p : problems) {
    if (p.area == area && p.page == page) return true;
  }
  return false;
}

bool Notes(const std::vector<Note>& notes, Leftover kind, uint32_t page) {
  for (const Note& n : notes) {
    if (n.kind == kind && n.page == page) return true;
  }
  return false;
}

std::string Describe(const std::vector<Problem>& problems) {
  std::string out;
  for (const Problem& p : problems) out += "  " + p.ToString() + "\n";
  return out.empty() ? "  (none)\n" : out;
}

}  // namespace jet::testing
