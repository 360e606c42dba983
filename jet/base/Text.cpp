#include "jet/base/Text.h"

#include <string>

#include "jet/base/CodePages.h"
#include "jet/base/SystemCodePage.h"
#include "jet/base/TextCodec.h"

namespace jet {
namespace {

// Code page 1252 through the engine's one table (TextCodec), which gives the five bytes the
// code page leaves unassigned the C1 controls of the same number, as Windows does: such text
// reads back and is written again byte for byte.
std::string DecodeCp1252(std::span<const uint8_t> bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  size_t i = 0;
  while (i < bytes.size()) {
    // Runs of ASCII, most of any Western text, are copied as they are.
    size_t run = i;
    while (run < bytes.size() && bytes[run] < 0x80) ++run;
    out.append(reinterpret_cast<const char*>(bytes.data()) + i, run - i);
    if (run == bytes.size()) break;
    AppendUtf8(out, UnicodeFromCp1252(bytes[run]));
    i = run + 1;
  }
  return out;
}

}  // namespace

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::string DecodeCodePage(std::span<const uint8_t> bytes, uint16_t code_page) {
  if (code_page == kDefaultCodePage || code_page == 0) return DecodeCp1252(bytes);
  return DecodeSystemCodePage(bytes, code_page);
}

std::string DecodeUcs2(std::span<const uint8_t> bytes) {
  std::string out;
  out.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    uint32_t unit = bytes[i] | (bytes[i + 1] << 8);
    if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
      uint32_t low = bytes[i + 2] | (bytes[i + 3] << 8);
      if (low >= 0xDC00 && low < 0xE000) {
        AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        i += 2;
        continue;
      }
    }
    if (unit >= 0xD800 && unit < 0xE000) unit = 0xFFFD;
    AppendUtf8(out, unit);
  }
  return out;
}

std::string DecodeJet4Text(std::span<const uint8_t> bytes) {
  if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xFE) return DecodeUcs2(bytes);
  // Compressed: starts in one-byte mode; each 00 byte toggles between one-byte and
  // two-byte characters.
  std::string units;
  bool compressed = true;
  size_t i = 2;
  while (i < bytes.size()) {
    if (bytes[i] == 0x00) {
      compressed = !compressed;
      ++i;
      continue;
    }
    if (compressed) {
      units.push_back(static_cast<char>(bytes[i]));
      units.push_back('\0');
      ++i;
    } else {
      if (i + 1 >= bytes.size()) break;
      units.push_back(static_cast<char>(bytes[i]));
      units.push_back(static_cast<char>(bytes[i + 1]));
      i += 2;
    }
  }
  return DecodeUcs2(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(units.data()), units.size()));
}

}  // namespace jet
