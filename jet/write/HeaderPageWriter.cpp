#include "jet/write/HeaderPageWriter.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>

#include "jet/base/Bytes.h"
#include "jet/base/Rc4.h"
#include "jet/base/TextCodec.h"
#include "jet/format/Header.h"

namespace jet {
namespace {

void Scramble(const Layout& layout, Bytes& page) {
  Rc4Apply(kHeaderScrambleKey,
           std::span(page).subspan(kHeaderScrambledOffset, HeaderScrambledLength(layout.version)));
}

double CreationDate(const Layout& layout, const Bytes& page) {
  if (layout.version == JetVersion::kJet3) return 0;
  uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) bits |= uint64_t{page[kHeaderCreationDateJet4 + i]} << (8 * i);
  return std::bit_cast<double>(bits);
}

// Writes the password field of an unscrambled page.
void PutPassword(const Layout& layout, Bytes& page, const std::string& password, uint16_t code_page) {
  const std::u16string text = Utf8ToUtf16(password);
  std::fill_n(page.begin() + kHeaderPassword, layout.password_length, 0);
  if (layout.version == JetVersion::kJet3) {
    const Bytes bytes = EncodeJet3Text(text, code_page);
    std::copy_n(bytes.begin(), std::min(bytes.size(), layout.password_length),
                page.begin() + kHeaderPassword);
    return;
  }
  for (size_t i = 0; i < text.size() && 2 * i + 1 < layout.password_length; ++i) {
    PutU16(page, kHeaderPassword + 2 * i, text[i]);
  }
  const auto whole = static_cast<uint32_t>(static_cast<int64_t>(std::floor(CreationDate(layout, page))));
  for (size_t i = 0; i < layout.password_length; ++i) {
    page[kHeaderPassword + i] ^= static_cast<uint8_t>(whole >> (8 * (i % 4)));
  }
}

}  // namespace

Bytes BuildHeaderPage(const Layout& layout, const std::string& password, double created, uint16_t code_page) {
  Bytes page(layout.page_size, 0);
  PutJetSignature(page);
  page[kHeaderVersionOffset] = static_cast<uint8_t>(layout.version);
  std::copy(kHeaderRegionPrologue.begin(), kHeaderRegionPrologue.end(),
            page.begin() + kHeaderScrambledOffset);
  PutU16(page, kHeaderCodePage, code_page);
  if (layout.version == JetVersion::kJet3) {
    PutU16(page, kHeaderSortOrderJet3 - 2, 0x0001);
    PutU16(page, kHeaderSortOrderJet3, kGeneralSortOrder);
  } else {
    PutU16(page, kHeaderSortOrderJet4, kGeneralSortOrder);
    PutU64(page, kHeaderCreationDateJet4, std::bit_cast<uint64_t>(created));
    PutU32(page, 0x98, 0x0654);  // stamp after the scrambled region
    std::memcpy(page.data() + 0x9c, "4.0", 4);
  }
  PutPassword(layout, page, password, code_page);
  Scramble(layout, page);
  return page;
}

void SetHeaderPassword(const Layout& layout, Bytes& page, const std::string& password) {
  Scramble(layout, page);
  const uint16_t code_page = GetU16(page, kHeaderCodePage).value_or(0);
  PutPassword(layout, page, password, code_page != 0 ? code_page : kDefaultCodePage);
  Scramble(layout, page);
}

}  // namespace jet
