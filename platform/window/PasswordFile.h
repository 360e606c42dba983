#pragma once
// A password taken from a file, so that it never appears on a command line or in a
// process listing.

#include <string>

namespace tav {

// The first line of the file at the host path `path`, without its line break (LF or CR LF).
// Throws VbError when it cannot be read, its description naming the file and the reason.
std::string ReadPasswordFile(const std::string& path);

}  // namespace tav
