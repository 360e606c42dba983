#pragma once
// Reads the pages of a page source a window at a time: asking for a page outside the
// window reads it and the pages after it with one read of the file, so that a walk over
// pages in ascending order costs one read per window instead of one per page. The window
// doubles while the walk goes on forwards, to the page after the window or a little past
// it (a table's data pages lie between its long-value pages, and the other way round), each
// window starting where the last one ended, and falls back to one page when the walk jumps
// back or far ahead, so scattered pages are not read in bulk. Pages come decrypted, as PageSource::ReadPage
// gives them. A window may be given other pages held in memory to look in first (a walk of
// long values beside the walk of the data pages they lie among, and the other way round), so
// that no page is read twice: a page found there is copied out.

#include <cstdint>
#include <span>
#include <vector>

#include "jet/read/PageSource.h"

namespace jet {

// Pages a reader holds in memory.
class HeldPages {
 public:
  virtual ~HeldPages() = default;
  // The page's bytes when they are held, else an empty span; reads nothing.
  virtual std::span<const uint8_t> Held(uint32_t number) const = 0;
};

class PageWindow : public HeldPages {
 public:
  // The most bytes one read brings in, whatever the page size: Jet 3's 2 KB pages are read
  // in windows as large as Jet 4's 4 KB ones.
  static constexpr uint32_t kWindowBytes = 1 << 20;
  // Pages in a window of kWindowBytes.
  static uint32_t Pages(const Layout& layout) { return kWindowBytes / layout.page_size; }

  // `db` must outlive the window; `pages` is the most pages one read brings in.
  PageWindow(PageSource& db, uint32_t pages) : db_(db), limit_(pages) {}

  // The page's bytes, valid until the next call to this window or to the one it consults.
  // kCorrupt beyond the end of the file.
  Result<std::span<const uint8_t>> Page(uint32_t number);

  // Pages `other` holds are copied from it instead of read; nullptr ends that. `other` must
  // hold pages of the same source and outlive this use. Two windows may consult each other.
  void Consult(const HeldPages* other) { other_ = other; }

  std::span<const uint8_t> Held(uint32_t number) const override;
  // Whether asking for `number` would move the window on (or back) rather than start again.
  bool Near(uint32_t number) const;
  // Page(number) as `from` would serve it, moving on (or back) from where `from` stands,
  // while `from` keeps its pages; what this window held is given up.
  Result<std::span<const uint8_t>> PageAfter(const PageWindow& from, uint32_t number);

 private:
  PageSource& db_;
  uint32_t limit_;
  uint32_t capacity_ = 1;
  uint32_t first_ = 0;
  uint32_t count_ = 0;
  std::vector<uint8_t> bytes_;
  const HeldPages* other_ = nullptr;
  std::vector<uint8_t> copied_;  // the page last copied from other_
};

}  // namespace jet
