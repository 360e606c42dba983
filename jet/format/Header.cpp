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

bool HasJetSignature(std::span<const uint8_t> page) {
  return page.size() >= kHeaderFormatIdOffset + sizeof kHeaderFormatId &&
         std::equal(kHeaderMagic.begin(), kHeaderMagic.end(), page.begin() + kHeaderMagicOffset) &&
         std::memcmp(page.data() + kHeaderFormatIdOffset, kHeaderFormatId, sizeof kHeaderFormatId) == 0;
}

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
  if (page.size() < kHeaderMinimumBytes || !HasJetSignature(page)) {
    return Status(ErrorKind::kNotADatabase, "not a Jet database file");
  }
  Header h;
  const uint8_t version = page[kHeaderVersionOffset];
  if (version > 1)
    return Status(ErrorKind::kUnsupported,
                  "database format version " + std::to_string(version) + " is not supported");
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
