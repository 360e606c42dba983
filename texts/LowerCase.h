#pragma once
// Lower-casing of the program's UTF-8 text, the same for every window back end: each
// character becomes its lower-case form by Unicode's mappings, whatever the locale, and a
// byte that is no well-formed UTF-8 becomes U+FFFD.

#include <string>
#include <string_view>

namespace tav {

std::string LowerCase(std::string_view text);

}  // namespace tav
