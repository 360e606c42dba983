#pragma once
// Writes memo and OLE values. A value is kept in the row when it is small, otherwise on a
// long-value ("LVAL") page: in one row when it fits one page, else as a chain of rows each
// starting with a pointer to the next.

#include <unordered_map>
#include <vector>

#include "jet/write/DataPageBuilder.h"
#include "jet/write/PageAllocator.h"
#include "jet/write/RowEncoder.h"

namespace jet {

class LongValueWriter : public LongValueSink {
 public:
  // Values up to this many bytes stay inside the row.
  static constexpr size_t kInlineLimit = 64;

  // `pages` must outlive the writer. Values up to `inline_limit` bytes stay in the row.
  explicit LongValueWriter(PageAllocator& pages, size_t inline_limit = kInlineLimit);

  Result<Bytes> Store(std::span<const uint8_t> data) override;
  // Marks a value stored earlier as dropped (its rows on the page still being filled are
  // flagged deleted); its bytes stay in the file as garbage, the way an update of a long
  // value leaves the old one behind. Every row of the value most recently stored is dropped;
  // of an older value only its first row.
  void Abandon(const Bytes& field);
  // Drops every value stored from StartTracking on, as deleting a row drops its long values.
  void StartTracking();
  void AbandonTracked();
  // Keeps every value stored since StartTracking.
  void StopTracking() {
    tracking_ = false;
    tracked_rows_.clear();
  }
  // Writes the page being filled. Call once after the last Store.
  Status Flush();
  // Pages left holding only dropped values, which the database marks free. After Flush.
  std::vector<uint32_t> EmptiedPages() const;

 private:
  Result<uint32_t> PlaceRow(std::span<const uint8_t> row);
  Status StartPage();
  void Drop(uint32_t pointer);

  PageAllocator& pages_;
  size_t inline_limit_;
  DataPageBuilder current_;
  uint32_t current_page_ = 0;
  bool open_ = false;
  std::unordered_map<uint32_t, uint32_t> live_rows_;  // by page: rows not dropped
  Bytes last_field_;
  std::vector<uint32_t> last_rows_;  // row pointers of the value stored last
  bool tracking_ = false;
  std::vector<uint32_t> tracked_rows_;
};

}  // namespace jet
