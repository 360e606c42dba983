#pragma once
// Conversions between the program's UTF-8 text and the UTF-16LE form in which registry string
// data is stored.

#include <cstdint>
#include <string>
#include <vector>

namespace tav {

// UTF-8 to UTF-16LE bytes. Invalid UTF-8 bytes are taken as single Latin-1 characters.
std::vector<uint8_t> Utf8ToUtf16Le(const std::string& text);

// UTF-16LE bytes to UTF-8. A lone surrogate becomes U+FFFD; an odd trailing byte is dropped.
std::string Utf16LeToUtf8(const std::vector<uint8_t>& bytes);

// Appends the UTF-8 form of one code point.
void AppendUtf8(std::string& out, char32_t codePoint);

// Decodes one UTF-8 sequence at `pos` and advances it; an invalid byte decodes as itself.
char32_t DecodeUtf8(const std::string& text, size_t& pos);

}  // namespace tav
