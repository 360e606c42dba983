#include "jet/base/TextCodec.h"

#include <algorithm>
#include <array>
#include <map>
#include <mutex>
#include <optional>

#include "jet/base/Text.h"

namespace jet {
namespace {

// Unicode characters of bytes 0x80..0x9F in code page 1252; the five unassigned bytes map
// to the C1 control of the same number, as Windows does.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf16(std::u16string& out, char32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
    return;
  }
  cp -= 0x10000;
  out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
  out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
}

// The character of each byte of a single-byte code page (0xFFFD where the byte has none), or
// nullopt when the system's converter does not know it or it does not keep ASCII. Built once
// per code page.
using ByteCharacters = std::array<char16_t, 256>;

std::optional<ByteCharacters> BuildByteCharacters(uint16_t code_page) {
  ByteCharacters table{};
  for (unsigned b = 0; b < 256; ++b) {
    const uint8_t byte = static_cast<uint8_t>(b);
    const std::u16string c = Utf8ToUtf16(DecodeCodePage(std::span(&byte, 1), code_page));
    if (c.size() != 1) return std::nullopt;
    table[b] = c[0] == u'?' && byte != '?' ? char16_t{0xFFFD} : c[0];
    if (b < 0x80 && table[b] != b) return std::nullopt;
  }
  return table;
}

const ByteCharacters* ByteCharactersOf(uint16_t code_page) {
  static std::mutex mutex;
  static std::map<uint16_t, std::optional<ByteCharacters>> tables;
  const std::lock_guard lock(mutex);
  auto [at, added] = tables.try_emplace(code_page);
  if (added) at->second = BuildByteCharacters(code_page);
  return at->second ? &*at->second : nullptr;
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<uint8_t>(s[i]);
    const int extra = b < 0x80 ? 0 : (b >> 5) == 0x6 ? 1 : (b >> 4) == 0xE ? 2 : (b >> 3) == 0x1E ? 3 : -1;
    if (extra < 0 || i + extra >= s.size()) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    char32_t cp = extra == 0 ? b : (b & (0x3F >> extra));
    bool bad = false;
    for (int k = 1; k <= extra; ++k) {
      const auto c = static_cast<uint8_t>(s[i + k]);
      if ((c & 0xC0) != 0x80) bad = true;
      cp = (cp << 6) | (c & 0x3F);
    }
    if (bad) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    AppendUtf16(out, cp);
    i += extra + 1;
  }
  return out;
}

uint8_t Cp1252FromUnicode(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<uint8_t>(c);
  for (size_t i = 0; i < kCp1252High.size(); ++i) {
    if (kCp1252High[i] == c) return static_cast<uint8_t>(0x80 + i);
  }
  return '?';
}

char16_t UnicodeFromCp1252(uint8_t b) {
  if (b >= 0x80 && b < 0xA0) return kCp1252High[b - 0x80];
  return b;
}

bool WritableCodePage(uint16_t code_page) {
  return code_page == kDefaultCodePage ||
         (WindowsSingleByteCodePage(code_page) && ByteCharactersOf(code_page) != nullptr);
}

Bytes EncodeJet3Text(std::u16string_view text, uint16_t code_page) {
  Bytes out;
  out.reserve(text.size());
  const ByteCharacters* table =
      code_page != kDefaultCodePage && WritableCodePage(code_page) ? ByteCharactersOf(code_page) : nullptr;
  for (char16_t c : text) {
    if (table == nullptr || c < 0x80) {
      out.push_back(table == nullptr ? Cp1252FromUnicode(c) : static_cast<uint8_t>(c));
      continue;
    }
    const auto* found = c == 0xFFFD ? table->end() : std::find(table->begin() + 0x80, table->end(), c);
    out.push_back(found != table->end() ? static_cast<uint8_t>(found - table->begin()) : '?');
  }
  return out;
}

Bytes EncodeJet4Text(std::u16string_view text, bool allow_compression) {
  Bytes out;
  bool compressible = allow_compression && !text.empty();
  for (char16_t c : text) compressible = compressible && c >= 1 && c <= 0xFF;
  if (compressible) {
    out.reserve(text.size() + 2);
    out.push_back(0xFF);
    out.push_back(0xFE);
    for (char16_t c : text) out.push_back(static_cast<uint8_t>(c));
    return out;
  }
  out.reserve(text.size() * 2);
  for (char16_t c : text) AppendU16(out, c);
  return out;
}

}  // namespace jet
