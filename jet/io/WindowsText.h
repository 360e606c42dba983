#pragma once
// Windows only. The program's text is UTF-8; the API's is UTF-16 (the wide calls). Paths and
// the system's messages cross here.

#include <string>
#include <string_view>

namespace jet {

// UTF-8 to UTF-16; malformed sequences become U+FFFD.
std::wstring Wide(std::string_view utf8);
// UTF-16 to UTF-8; lone surrogates become U+FFFD.
std::string Utf8(std::wstring_view wide);

}  // namespace jet
