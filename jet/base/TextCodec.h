#pragma once
// Text conversions for values being written: UTF-8 in, the stored forms out.
// Jet 3 stores text in the database's single-byte Windows code page (1252 unless the header
// names another); Jet 4 stores UTF-16LE, "compressed" to one byte per character (after the
// marker FF FE) when every character is in 1..255.

#include <string>
#include <string_view>

#include "jet/base/CodePages.h"
#include "jet/base/WriteBytes.h"

namespace jet {

// Decodes UTF-8; malformed sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);

// Code page 1252 byte for a UTF-16 unit; '?' when the character has none.
uint8_t Cp1252FromUnicode(char16_t c);
// The Unicode character of a code page 1252 byte.
char16_t UnicodeFromCp1252(uint8_t b);

// Whether Jet 3 text can be written in `code_page`: a single-byte Windows code page (874,
// 1250 to 1258) that the system's converter knows.
bool WritableCodePage(uint16_t code_page);

// Stored bytes of a text or memo value; a Jet 3 character the code page lacks becomes '?'.
// `code_page` must be writable (see WritableCodePage); any other writes code page 1252.
Bytes EncodeJet3Text(std::u16string_view text, uint16_t code_page = kDefaultCodePage);
Bytes EncodeJet4Text(std::u16string_view text, bool allow_compression);

}  // namespace jet
