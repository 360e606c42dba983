#pragma once
// The window layer keeps text as UTF-8, as the rest of the program does; the window system
// takes and gives UTF-16. These convert at that boundary. Malformed UTF-8 becomes U+FFFD
// rather than failing, so a broken path still shows.

#include <string>
#include <string_view>

namespace tav {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// The UTF-16 position of byte `offset` of `utf8` (clamped to its length), and back: the
// program counts caret positions in bytes of its UTF-8 text, an edit box in UTF-16 units.
int Utf16Offset(std::string_view utf8, size_t offset);
size_t Utf8Offset(std::string_view utf8, int utf16Offset);

}  // namespace tav
