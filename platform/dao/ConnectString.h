#pragma once
// Connect strings as the database engine reads them: ";"-separated "key=value" pairs, such
// as "; pwd=secret;" or ";pwd=secret" or "MS Access;PWD=secret". Keys compare without
// regard to case and with blanks around them ignored; a value is taken exactly as it
// stands up to the next ";" (blanks included). A part without "=" (a leading type name,
// an empty part) is skipped. When a key repeats, the last one counts.

#include <optional>
#include <string>
#include <string_view>

namespace tav {

// The value of `key` in `connect`, or nothing when the key is absent.
std::optional<std::string> ConnectValue(std::string_view connect, std::string_view key);

// The database password a connect string gives ("pwd"); empty when it gives none.
std::string ConnectPassword(std::string_view connect);

}  // namespace tav
