#pragma once
// The header page (page 0): format version, page size, the scrambled region with code page,
// sort order, database key, password and (Jet 4) creation date. See docs/jet-format.md.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "jet/base/CodePages.h"
#include "jet/base/Status.h"
#include "jet/format/Format.h"

namespace jet {

struct Header {
  JetVersion version = JetVersion::kJet4;
  uint32_t page_size = 4096;
  uint16_t code_page = 0;
  uint16_t sort_order = 0;
  uint32_t database_key = 0;            // 0: pages are stored in clear
  std::optional<double> creation_date;  // Jet 4 only
  std::string password;                 // UTF-8, empty when none is set
  std::vector<uint8_t> unscrambled;     // the header page with its scrambled region decoded
};

// Smallest number of bytes ParseHeader needs (the Jet 3 page size covers every field).
constexpr size_t kHeaderMinimumBytes = 2048;

// Whether `page` opens with the magic and the format id (NUL included) of a Jet file.
bool HasJetSignature(std::span<const uint8_t> page);

// What the first bytes of a file say it is: Jet 3 or Jet 4 (FileFormat::kNone), or one of the
// formats the engine refuses (any file that is neither of those two).
FileFormat IdentifyFormat(std::span<const uint8_t> page);

// The error that refuses a file of `format` (not kNone): kNotADatabase for one without a
// database signature, kUnsupported for a later format, described by what the file is and
// carrying `format` (Status::refused_format).
Status RefusedFormatError(FileFormat format, std::span<const uint8_t> page);

// Writes the magic and the format id at the start of `page` (at least 20 bytes).
void PutJetSignature(std::span<uint8_t> page);

// Parses the first bytes of a file. Errors (RefusedFormatError): kNotADatabase for a file
// that is not a Jet file, kUnsupported for a later format (Access 2007 and later, a Jet
// version byte after Jet 4's).
Result<Header> ParseHeader(std::span<const uint8_t> page);

// The code page Jet 3 text is read in: the header's, or 1252 where it is unset.
inline uint16_t TextCodePage(const Header& header) {
  return header.code_page != 0 ? header.code_page : kDefaultCodePage;
}

// True when `password` opens a database with this header. An unset password accepts any
// (DAO ignores a password given for an unprotected database).
bool PasswordMatches(const Header& header, const std::string& password);

// Jet 4 masks its stored password with the whole part of the creation date; these bytes,
// repeated, are XORed over the 40-byte password field.
std::vector<uint8_t> PasswordMask(const Header& header);

}  // namespace jet
