#pragma once
// Writes memo and OLE values. A value is kept in the row when it is small, otherwise on a
// long-value ("LVAL") page: in one row when it fits one page, else as a chain of rows each
// starting with a pointer to the next.

#include "jet/DataPageBuilder.h"
#include "jet/PageAllocator.h"
#include "jet/RowEncoder.h"

namespace jet {

class LongValueWriter : public LongValueSink {
 public:
  // Values up to this many bytes stay inside the row.
  static constexpr size_t kInlineLimit = 64;

  // `pages` must outlive the writer.
  explicit LongValueWriter(PageAllocator& pages);

  Result<Bytes> Store(std::span<const uint8_t> data) override;
  // Marks a value stored earlier as dropped (the row slot is flagged deleted); its bytes stay
  // in the file as garbage, the way an update of a long value leaves the old one behind.
  void Abandon(const Bytes& field);
  // Writes the page being filled. Call once after the last Store.
  Status Flush();

 private:
  Result<uint32_t> PlaceRow(std::span<const uint8_t> row);
  Status StartPage();

  PageAllocator& pages_;
  DataPageBuilder current_;
  uint32_t current_page_ = 0;
  bool open_ = false;
};

}  // namespace jet
