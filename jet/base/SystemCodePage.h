#pragma once
// Text of a Windows code page other than 1252 (built into Text.cpp), decoded by the
// operating system's own converters: iconv on POSIX systems (IconvCodePage.cpp), the code
// pages of Windows itself there (WindowsCodePage.cpp); the build compiles one of them in.

#include <cstdint>
#include <span>
#include <string>

namespace jet {

// `bytes` of `code_page` as UTF-8. A byte the code page cannot decode becomes '?'; so does
// every byte above 0x7F when the code page is unknown.
std::string DecodeSystemCodePage(std::span<const uint8_t> bytes, uint16_t code_page);

}  // namespace jet
