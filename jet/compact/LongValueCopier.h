#pragma once
// Copies the memo and OLE values of rows being moved to a new file. A value kept inside its
// row stays there; one stored in a single row on a long-value page, or as a chain of rows,
// is copied piece by piece, bytes unchanged, onto long-value pages of the new file, and the
// 12-byte field in the row is pointed at the copy. Memory: the pieces of one value and one
// page being filled.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "jet/format/DataPage.h"
#include "jet/format/LongValueChain.h"
#include "jet/read/PageSource.h"
#include "jet/read/PageWindows.h"
#include "jet/write/DataPageBuilder.h"
#include "jet/write/PageAllocator.h"

namespace jet {

class LongValueCopier {
 public:
  // `source` and `allocator` must outlive the copier.
  LongValueCopier(PageSource& source, PageAllocator& allocator);

  // Copies the value `field` names and rewrites `field` to name the copy. kCorrupt when the
  // value cannot be read whole.
  Status Copy(std::span<uint8_t> field);
  // Writes the page being filled. Call once after the last Copy.
  Status Flush();
  // Long-value pages that `pages` holds (the window of the walk over the rows' own pages,
  // among which the values lie) are taken from it; nullptr ends that. See PageWindow::Consult.
  void Consult(const HeldPages* pages) { windows_.Consult(pages); }
  const HeldPages& windows() const { return windows_; }

 private:
  Result<std::span<const uint8_t>> SourceRow(uint32_t pointer);
  // Places a piece; `next`, when given, replaces its first four bytes (the chain's pointer).
  Result<uint32_t> Place(std::optional<uint32_t> next, std::span<const uint8_t> row);
  Status Walk(std::span<const uint8_t> field, const LongValuePieceVisit& visit);

  PageSource& source_;
  PageAllocator& allocator_;
  DataPageBuilder current_;
  uint32_t current_page_ = 0;
  bool open_ = false;
  // Long values tend to sit together, in ascending pages: they are read a window at a time,
  // and the page parsed last is kept while one value is read.
  PageWindows windows_;
  std::span<const uint8_t> source_page_;
  uint32_t source_number_ = 0;
  bool source_loaded_ = false;
  // The pieces of the value being copied, where the windows hold them or in copied_.
  std::vector<std::span<const uint8_t>> pieces_;
  std::vector<uint8_t> copied_;
};

}  // namespace jet
