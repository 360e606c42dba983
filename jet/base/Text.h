#pragma once
// Text decoding: Jet 3 stores text in the database's Windows code page, Jet 4 in UCS-2
// (UTF-16LE), optionally "compressed" (runs of one-byte characters). Everything leaves the
// engine as UTF-8.

#include <cstdint>
#include <span>
#include <string>

namespace jet {

// Windows code page bytes to UTF-8 (1252 built in; others through the operating system,
// SystemCodePage.h; '?' when unknown).
std::string DecodeCodePage(std::span<const uint8_t> bytes, uint16_t code_page);

// UTF-16LE to UTF-8; an odd trailing byte is ignored, lone surrogates become U+FFFD.
std::string DecodeUcs2(std::span<const uint8_t> bytes);

// A Jet 4 text value: compressed when it starts with FF FE, else plain UTF-16LE.
std::string DecodeJet4Text(std::span<const uint8_t> bytes);

void AppendUtf8(std::string& out, uint32_t code_point);

}  // namespace jet
