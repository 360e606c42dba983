#include "jet/format/Header.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "jet/base/Bytes.h"
#include "jet/base/Rc4.h"
#include "jet/base/Text.h"

namespace jet {
namespace {

std::string DecodePassword(const Header& h, std::span<const uint8_t> field) {
  std::vector<uint8_t> raw(field.begin(), field.end());
  if (h.version == JetVersion::kJet3) {
    size_t n = 0;
    while (n < raw.size() && raw[n] != 0) ++n;
    return DecodeCodePage(std::span<const uint8_t>(raw.data(), n), h.code_page);
  }
  const std::vector<uint8_t> mask = PasswordMask(h);
  for (size_t i = 0; i < raw.size(); ++i) raw[i] ^= mask[i % mask.size()];
  size_t n = 0;
  while (n + 1 < raw.size() && (raw[n] != 0 || raw[n + 1] != 0)) n += 2;
  return DecodeUcs2(std::span<const uint8_t>(raw.data(), n));
}

}  // namespace

namespace {

bool HasSignature(std::span<const uint8_t> page, const char (&format_id)[sizeof kHeaderFormatId]) {
  return page.size() >= kHeaderFormatIdOffset + sizeof kHeaderFormatId &&
         std::equal(kHeaderMagic.begin(), kHeaderMagic.end(), page.begin() + kHeaderMagicOffset) &&
         std::memcmp(page.data() + kHeaderFormatIdOffset, format_id, sizeof kHeaderFormatId) == 0;
}

}  // namespace

FileFormat IdentifyFormat(std::span<const uint8_t> page) {
  if (HasSignature(page, kHeaderAceFormatId)) return FileFormat::kAccess2007OrLater;
  if (!HasSignature(page, kHeaderFormatId) || page.size() <= kHeaderVersionOffset)
    return FileFormat::kNotADatabase;
  if (page[kHeaderVersionOffset] > static_cast<uint8_t>(JetVersion::kJet4))
    return FileFormat::kLaterJetVersion;
  return FileFormat::kNone;
}

Status RefusedFormatError(FileFormat format, std::span<const uint8_t> page) {
  const std::string version =
      page.size() > kHeaderVersionOffset ? std::to_string(page[kHeaderVersionOffset]) : std::string("?");
  switch (format) {
    case FileFormat::kAccess2007OrLater:
      return Status(ErrorKind::kUnsupported,
                    "the file is an Access 2007 or later database (\"Standard ACE DB\", format version " +
                        version + "); only Jet 3 and Jet 4 databases are read or changed")
          .Refusing(format);
    case FileFormat::kLaterJetVersion:
      return Status(ErrorKind::kUnsupported, "database format version " + version +
                                                 " is later than Jet 4 and is not supported; the file is "
                                                 "left as it is")
          .Refusing(format);
    case FileFormat::kNotADatabase:
    case FileFormat::kNone:
      break;
  }
  return Status(ErrorKind::kNotADatabase, "not a Jet database file").Refusing(FileFormat::kNotADatabase);
}

bool HasJetSignature(std::span<const uint8_t> page) { return HasSignature(page, kHeaderFormatId); }

void PutJetSignature(std::span<uint8_t> page) {
  std::copy(kHeaderMagic.begin(), kHeaderMagic.end(), page.begin() + kHeaderMagicOffset);
  std::memcpy(page.data() + kHeaderFormatIdOffset, kHeaderFormatId, sizeof kHeaderFormatId);
}

std::vector<uint8_t> PasswordMask(const Header& header) {
  uint32_t whole = 0;
  if (header.creation_date && std::isfinite(*header.creation_date) &&
      std::fabs(*header.creation_date) < 2e9) {
    whole = static_cast<uint32_t>(static_cast<int32_t>(std::floor(*header.creation_date)));
  }
  return {static_cast<uint8_t>(whole), static_cast<uint8_t>(whole >> 8), static_cast<uint8_t>(whole >> 16),
          static_cast<uint8_t>(whole >> 24)};
}

Result<Header> ParseHeader(std::span<const uint8_t> page) {
  const FileFormat format = IdentifyFormat(page);
  if (format != FileFormat::kNone) return RefusedFormatError(format, page);
  if (page.size() < kHeaderMinimumBytes) return RefusedFormatError(FileFormat::kNotADatabase, page);
  Header h;
  const uint8_t version = page[kHeaderVersionOffset];
  h.version = static_cast<JetVersion>(version);
  const Layout& layout = LayoutFor(h.version);
  h.page_size = layout.page_size;
  h.unscrambled.assign(page.begin(), page.begin() + std::min<size_t>(page.size(), h.page_size));
  Rc4Apply(
      kHeaderScrambleKey,
      std::span<uint8_t>(h.unscrambled).subspan(kHeaderScrambledOffset, HeaderScrambledLength(h.version)));
  std::span<const uint8_t> u(h.unscrambled);
  h.code_page = *GetU16(u, kHeaderCodePage);
  h.database_key = *GetU32(u, kHeaderDatabaseKey);
  h.sort_order = *GetU16(u, layout.sort_order_offset);
  if (h.version == JetVersion::kJet4) h.creation_date = *GetF64(u, kHeaderCreationDateJet4);
  h.password = DecodePassword(h, u.subspan(kHeaderPassword, layout.password_length));
  return h;
}

bool PasswordMatches(const Header& header, const std::string& password) {
  return header.password.empty() || header.password == password;
}

}  // namespace jet
