#pragma once
// The Windows code pages Jet 3 text may be stored in, named once for the reader, the writer
// and the checks. Jet 4 stores UTF-16 and names a code page only for show.

#include <algorithm>
#include <array>
#include <cstdint>

namespace jet {

// The code page of text whose database names none, and of everything the engine writes
// unless told otherwise.
constexpr uint16_t kDefaultCodePage = 1252;

struct CodePageInfo {
  uint16_t number;
  // A single-byte Windows (ANSI) code page, one Jet 3 text can be written in. The others are
  // DOS code pages or take two bytes for most text (932 to 950).
  bool windows_single_byte;
};

// Every code page Access writes a database in.
constexpr std::array<CodePageInfo, 18> kJetCodePages = {{
    {437, false},
    {850, false},
    {852, false},
    {866, false},
    {874, true},
    {932, false},
    {936, false},
    {949, false},
    {950, false},
    {1250, true},
    {1251, true},
    {1252, true},
    {1253, true},
    {1254, true},
    {1255, true},
    {1256, true},
    {1257, true},
    {1258, true},
}};

// Whether Access writes databases in `code_page`.
constexpr bool KnownCodePage(uint16_t code_page) {
  return std::ranges::any_of(kJetCodePages,
                             [code_page](const CodePageInfo& c) { return c.number == code_page; });
}

// Whether `code_page` is a single-byte Windows code page: 874 or 1250 to 1258.
constexpr bool WindowsSingleByteCodePage(uint16_t code_page) {
  return std::ranges::any_of(kJetCodePages, [code_page](const CodePageInfo& c) {
    return c.number == code_page && c.windows_single_byte;
  });
}

}  // namespace jet
