#pragma once
// Turns the values of one row into the bytes of a Jet row: column count, fixed area,
// variable-length values, their offset table (with the jump table of Jet 3 rows longer
// than 255 bytes) and the null mask. Memo and OLE values go through a LongValueSink.

#include <span>

#include "jet/base/Status.h"
#include "jet/write/TablePlan.h"

namespace jet {

class LongValueSink {
 public:
  virtual ~LongValueSink() = default;
  // Stores a memo or OLE value and returns the field for the row: the 12-byte header,
  // followed by the data itself when it is kept inline.
  virtual Result<Bytes> Store(std::span<const uint8_t> data) = 0;
};

class RowEncoder {
 public:
  // `plan` must outlive the encoder.
  RowEncoder(const Layout& layout, const TablePlan& plan) : layout_(layout), plan_(plan) {}

  // Errors (kInvalidArgument): wrong number of values, a value of the wrong kind, null in a
  // required column, text longer than its column, a row too long for a page.
  Result<Bytes> Encode(const RowValues& values, LongValueSink& long_values) const;

  // The largest row a data page can hold.
  size_t MaxRowSize() const;

  // The stored bytes of a text or memo value in this format.
  Bytes EncodeText(const std::string& utf8) const;

 private:
  Status EncodeFixed(const ColumnPlan& col, const CellValue& value, std::span<uint8_t> out) const;
  Result<Bytes> EncodeVariable(const ColumnPlan& col, const CellValue& value, LongValueSink& sink) const;
  void AppendTail(Bytes& row, const std::vector<uint16_t>& offsets, const Bytes& null_mask) const;
  void AppendJet3Tail(Bytes& row, std::vector<uint16_t> offsets, const Bytes& null_mask) const;

  const Layout& layout_;
  const TablePlan& plan_;
};

}  // namespace jet
