#pragma once
// The first page of a database: signature, version, then a region scrambled with RC4 under
// a fixed key holding the code page, the sort order, the creation date and the password.
// Jet 3 keeps the password (in the code page, 20 bytes) as it is; Jet 4 keeps it as UTF-16
// (40 bytes) masked with the whole part of the creation date, four bytes repeated.

#include <string>

#include "jet/base/CodePages.h"
#include "jet/base/WriteBytes.h"
#include "jet/format/Format.h"

namespace jet {

// The page bytes. `password` is UTF-8, at most 20 characters; `created` is a date value;
// `code_page` is the one Jet 3 text (the password included) is written in.
Bytes BuildHeaderPage(const Layout& layout, const std::string& password, double created,
                      uint16_t code_page = kDefaultCodePage);

// Replaces the password of an existing header page (unscrambling and scrambling it again).
void SetHeaderPassword(const Layout& layout, Bytes& page, const std::string& password);

}  // namespace jet
