#pragma once
// Index keys. Each column of a key contributes a flag byte (0x7F a value, 0x00 null;
// descending columns 0x80 and 0xFF) followed, for a value, by bytes that compare in the
// column's order when compared as unsigned bytes; descending columns store them inverted.

#include <vector>

#include "jet/base/Status.h"
#include "jet/write/TablePlan.h"

namespace jet {

struct KeyColumn {
  const ColumnPlan* column;
  bool descending = false;
};

class KeyEncoder {
 public:
  KeyEncoder(const Layout& layout, std::vector<KeyColumn> columns)
      : layout_(layout), columns_(std::move(columns)) {}

  // The key of a row; `values` holds every column of the row.
  Result<Bytes> Encode(const RowValues& values) const;
  // Whether every key column of the row is null.
  bool AllNull(const RowValues& values) const;
  // Makes Encode fail (kUnsupported) instead of writing a key that may differ from
  // Access's: text with a character of unknown weight, or, in a Jet 3 file whose code page
  // is not 1252, any character beyond ASCII.
  void RequireExactKeys(uint16_t code_page) {
    exact_only_ = true;
    code_page_ = code_page;
  }
  // With RequireExactKeys, still writes a Jet 3 key whose weights are all known but whose
  // accent codes may sit elsewhere than in Access's key (see GeneralTextKey): for writing new
  // files, where such a key is the best there is; never for rebuilding a user's index.
  void AllowGuessedAccentPlaces() { guessed_accents_ = true; }

 private:
  Status AppendValue(Bytes& key, const ColumnPlan& column, const CellValue& value) const;

  const Layout& layout_;
  std::vector<KeyColumn> columns_;
  bool exact_only_ = false;
  bool guessed_accents_ = false;
  uint16_t code_page_ = 1252;
};

// The sort bytes of a text value under the General sort order, without the flag byte.
// `exact`, when given, is set false when the key may differ from Access's (it is then close to
// it, not equal): a character had no known weight, or (Jet 3) a character whose place among
// the accent codes is not known came before an accent. `weights_known`, when given, is set
// false only for the first reason (in Jet 4 keys, for either).
Bytes GeneralTextKey(const std::u16string& text, JetVersion version, bool* exact = nullptr,
                     bool* weights_known = nullptr);

}  // namespace jet
