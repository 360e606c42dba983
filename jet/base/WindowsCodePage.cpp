// The operating system's code pages on Windows: through MultiByteToWideChar, a character at
// a time past the first byte it cannot decode, as IconvCodePage.cpp does with iconv.
#include <windows.h>

#include <string>
#include <vector>

#include "jet/base/SystemCodePage.h"
#include "jet/base/Text.h"

namespace jet {
namespace {

// The UTF-16 of `count` bytes at `bytes`, appended to `out`; false when they are no
// character (or an incomplete one) of `code_page`.
bool AppendWide(UINT code_page, const uint8_t* bytes, size_t count, std::vector<uint8_t>& out) {
  const char* in = reinterpret_cast<const char*>(bytes);
  const int units =
      ::MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, in, static_cast<int>(count), nullptr, 0);
  if (units <= 0) return false;
  std::vector<wchar_t> wide(static_cast<size_t>(units));
  ::MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, in, static_cast<int>(count), wide.data(), units);
  for (wchar_t unit : wide) {
    out.push_back(static_cast<uint8_t>(unit & 0xFF));
    out.push_back(static_cast<uint8_t>(unit >> 8));
  }
  return true;
}

}  // namespace

std::string DecodeSystemCodePage(std::span<const uint8_t> bytes, uint16_t code_page) {
  if (!::IsValidCodePage(code_page)) {
    std::string out;
    for (uint8_t b : bytes) out.push_back(b < 0x80 ? static_cast<char>(b) : '?');
    return out;
  }
  std::vector<uint8_t> utf16;
  if (bytes.empty() || AppendWide(code_page, bytes.data(), bytes.size(), utf16)) return DecodeUcs2(utf16);
  std::string out;
  size_t at = 0;
  while (at < bytes.size()) {
    const size_t length = ::IsDBCSLeadByteEx(code_page, bytes[at]) && at + 1 < bytes.size() ? 2 : 1;
    utf16.clear();
    if (AppendWide(code_page, bytes.data() + at, length, utf16)) {
      out += DecodeUcs2(utf16);
      at += length;
    } else {
      out.push_back('?');
      ++at;
    }
  }
  return out;
}

}  // namespace jet
