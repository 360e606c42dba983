#include "jet/repair/SalvageHeader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "jet/base/Bytes.h"
#include "jet/base/CodePages.h"
#include "jet/base/Rc4.h"
#include "jet/format/HeaderFields.h"
#include "jet/format/TableDef.h"
#include "jet/format/WriteMarker.h"
#include "jet/write/HeaderPageWriter.h"

namespace jet {
namespace {

constexpr double kDefaultCreated = 45000.0;
constexpr double kLastDate = 2958465.0;  // 31 December 9999

std::vector<uint8_t> Unscramble(std::span<const uint8_t> page, JetVersion version) {
  std::vector<uint8_t> out(page.begin(), page.end());
  Rc4Apply(kHeaderScrambleKey,
           std::span<uint8_t>(out).subspan(kHeaderScrambledOffset, HeaderScrambledLength(version)));
  return out;
}

// Whether page 2, read under `version` and `key`, is the catalog's definition.
Result<bool> CatalogReadsAs(File& file, uint64_t size, JetVersion version, uint32_t key) {
  const Layout& l = LayoutFor(version);
  if (size < uint64_t{l.page_size} * (kCatalogTableDefPage + 1)) return false;
  std::vector<uint8_t> page(l.page_size);
  Status read = file.ReadAt(uint64_t{kCatalogTableDefPage} * l.page_size, page);
  if (!read.ok() && read.kind() == ErrorKind::kIo) return read;
  if (!read.ok()) return false;
  if (key != 0) Rc4Apply(key ^ kCatalogTableDefPage, page);
  if (page[0] != kPageTableDef) return false;
  // The names of the catalog's columns fit on its first page and decode only under the
  // right version; a continuation is not needed to tell.
  if (*GetU32(page, l.tdef_next_page) != 0) PutU32(page, l.tdef_next_page, 0);
  auto def = ParseTableDef(page, l, kDefaultCodePage);
  return def.ok() && def->FindColumn("Name") != nullptr && def->FindColumn("Id") != nullptr;
}

bool Printable(const std::string& text) {
  return std::ranges::all_of(text, [](char c) { return static_cast<unsigned char>(c) >= 0x20 && c != 0x7f; });
}

// Whether the password field holds a password: printable characters followed by zeros.
bool PasswordReadable(const Header& h, std::span<const uint8_t> u) {
  const Layout& l = LayoutFor(h.version);
  std::vector<uint8_t> raw(u.begin() + kHeaderPassword, u.begin() + kHeaderPassword + l.password_length);
  size_t unit = 1;
  if (h.version == JetVersion::kJet4) {
    const std::vector<uint8_t> mask = PasswordMask(h);
    for (size_t i = 0; i < raw.size(); ++i) raw[i] ^= mask[i % mask.size()];
    unit = 2;
  }
  size_t length = 0;
  while (length + unit <= raw.size() && (raw[length] != 0 || raw[length + unit - 1] != 0)) length += unit;
  const bool zeros_after = std::all_of(raw.begin() + static_cast<std::ptrdiff_t>(length), raw.end(),
                                       [](uint8_t b) { return b == 0; });
  return zeros_after && length / unit <= kMaxPasswordCharacters && Printable(h.password);
}

// A locale id: a primary language in the low ten bits, a sublanguage above, nothing higher.
bool PlausibleSortOrder(uint16_t sort_order) {
  return (sort_order & 0x3ff) != 0 && (sort_order & 0x3ff) < 0x80 && sort_order < 0x4000;
}

bool PlausibleDate(std::optional<double> date) {
  return date && std::isfinite(*date) && *date > 1 && *date < kLastDate;
}

// The version and database key under which page 2 reads as the catalog; the stored ones
// are tried first.
Result<std::optional<std::pair<JetVersion, uint32_t>>> FindLayout(File& file, uint64_t size,
                                                                  std::span<const uint8_t> page) {
  const uint8_t stored = page[kHeaderVersionOffset];
  std::vector<JetVersion> versions = {JetVersion::kJet4, JetVersion::kJet3};
  if (stored == 0) std::swap(versions[0], versions[1]);
  for (JetVersion version : versions) {
    const uint32_t key = *GetU32(Unscramble(page, version), kHeaderDatabaseKey);
    if (key != 0) {
      JET_ASSIGN_OR_RETURN(const bool keyed, CatalogReadsAs(file, size, version, key));
      if (keyed) return std::optional(std::make_pair(version, key));
    }
    JET_ASSIGN_OR_RETURN(const bool plain, CatalogReadsAs(file, size, version, 0));
    if (plain) return std::optional(std::make_pair(version, uint32_t{0}));
  }
  return std::optional<std::pair<JetVersion, uint32_t>>();
}

// Checks each setting of the scrambled region; those that are not plausible get defaults.
void RestoreSettings(SalvagedHeader& s, uint32_t key, RepairReport& report) {
  Header& h = s.header;
  const std::vector<uint8_t> u = Unscramble(s.stored, h.version);
  if (h.database_key != key) {
    report.Add(LossKind::kHeaderRestored, "", 0,
               "the database key does not decode the pages; taken as " + std::to_string(key));
    h.database_key = key;
    s.intact = false;
  }
  if (!AcceptedCodePage(h)) {
    report.Add(LossKind::kHeaderRestored, "", 0,
               "code page " + std::to_string(h.code_page) + " restored to 1252");
    h.code_page = kDefaultCodePage;
    s.intact = false;
  }
  if (!PlausibleSortOrder(h.sort_order)) {
    report.Add(LossKind::kHeaderRestored, "", 0,
               "sort order " + std::to_string(h.sort_order) + " restored to General");
    h.sort_order = kGeneralSortOrder;
    s.intact = false;
  }
  bool date_ok = h.version == JetVersion::kJet3 || PlausibleDate(h.creation_date);
  if (!date_ok || !PasswordReadable(h, u)) {
    report.Add(LossKind::kHeaderRestored, "", 0,
               "the password cannot be read; the repaired database has none");
    h.password.clear();
    s.intact = false;
  }
  if (!date_ok) {
    report.Add(LossKind::kHeaderRestored, "", 0,
               "the creation date cannot be read; restored to a fixed date");
    h.creation_date = kDefaultCreated;
  }
}

}  // namespace

Result<SalvagedHeader> SalvageHeader(File& file, RepairReport& report) {
  JET_ASSIGN_OR_RETURN(const uint64_t size, file.Size());
  SalvagedHeader s;
  s.stored.assign(LayoutFor(JetVersion::kJet4).page_size, 0);
  const size_t present = static_cast<size_t>(std::min<uint64_t>(size, s.stored.size()));
  JET_RETURN_IF_ERROR(file.ReadAt(0, std::span<uint8_t>(s.stored).first(present)));
  // A later engine's format is not ours to rebuild: a file that says it is one, with its
  // signature whole (an Access 2007 or later signature, or a Jet one with a later version
  // byte), is refused however damaged it looks.
  const FileFormat format = IdentifyFormat(s.stored);
  if (format == FileFormat::kAccess2007OrLater || format == FileFormat::kLaterJetVersion)
    return RefusedFormatError(format, s.stored).AtPage(0);
  const bool signed_file = HasJetSignature(s.stored);
  JET_ASSIGN_OR_RETURN(const auto found, FindLayout(file, size, s.stored));
  if (!found) {
    return CorruptError(
               "neither format version reads page 2 as the catalog's definition: the catalog, and with it "
               "every table, is lost")
        .AtPage(kCatalogTableDefPage);
  }
  const auto [version, key] = *found;
  s.intact = signed_file && s.stored[kHeaderVersionOffset] == static_cast<uint8_t>(version);
  if (!s.intact) report.Add(LossKind::kHeaderRestored, "", 0, "signature and format version restored");
  // The page with its fixed part restored parses like any header.
  std::vector<uint8_t> fixed = s.stored;
  PutJetSignature(fixed);
  fixed[kHeaderVersionOffset] = static_cast<uint8_t>(version);
  JET_ASSIGN_OR_RETURN(s.header, ParseHeader(fixed));
  const std::vector<uint8_t> u = Unscramble(fixed, version);
  if (!std::equal(kHeaderRegionPrologue.begin(), kHeaderRegionPrologue.end(),
                  u.begin() + kHeaderScrambledOffset)) {
    report.Add(LossKind::kHeaderRestored, "", 0,
               "the scrambled region is damaged; its settings were checked one by one");
    s.intact = false;
  }
  s.stored.resize(s.header.page_size);
  RestoreSettings(s, key, report);
  s.header.unscrambled = Unscramble(RepairedHeaderPage(s), version);
  return s;
}

std::vector<uint8_t> RepairedHeaderPage(const SalvagedHeader& s) {
  if (s.intact) {
    // A writer that stopped half-way left its marker; the repaired file is whole.
    std::vector<uint8_t> page = s.stored;
    SetUnfinishedWriteMarker(page, false);
    return page;
  }
  const Header& h = s.header;
  const Layout& l = LayoutFor(h.version);
  std::vector<uint8_t> page = BuildHeaderPage(l, h.password, h.creation_date.value_or(kDefaultCreated));
  const std::span<uint8_t> region =
      std::span<uint8_t>(page).subspan(kHeaderScrambledOffset, HeaderScrambledLength(h.version));
  Rc4Apply(kHeaderScrambleKey, region);
  PutU16(page, kHeaderCodePage, h.code_page);
  PutU16(page, l.sort_order_offset, h.sort_order);
  PutU32(page, kHeaderDatabaseKey, h.database_key);
  Rc4Apply(kHeaderScrambleKey, region);
  return page;
}

}  // namespace jet
