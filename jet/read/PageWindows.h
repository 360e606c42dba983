#pragma once
// Several page windows (jet/PageWindow) serving one walk that keeps two or three places in a
// file at once: the long values of a table whose memos were rewritten lie partly beside its
// rows and partly where the rewritten values went. A page is served by the window that
// holds it, else by the one that would move on (or back) to it, else by the window used
// least recently, which starts again there. So each place keeps its own growing window
// rather than one window starting over at every change of place.

#include <array>
#include <cstdint>
#include <span>

#include "jet/read/PageWindow.h"

namespace jet {

class PageWindows : public HeldPages {
 public:
  static constexpr size_t kWindows = 4;

  // `db` must outlive the windows; `pages` is the most pages one read brings in.
  PageWindows(PageSource& db, uint32_t pages);

  // The page's bytes, valid until the next call. kCorrupt beyond the end of the file.
  Result<std::span<const uint8_t>> Page(uint32_t number);

  // How many calls have replaced bytes that spans given earlier may lie in. While it stays
  // the same, every span Page gave since is still valid, not just the last one.
  uint64_t moves() const { return moves_; }

  // As PageWindow::Consult.
  void Consult(const HeldPages* other) { other_ = other; }

  std::span<const uint8_t> Held(uint32_t number) const override;

 private:
  struct Slot {
    PageWindow window;
    uint64_t used = 0;
  };

  std::array<Slot, kWindows> slots_;
  uint64_t clock_ = 0;
  uint64_t moves_ = 0;
  const HeldPages* other_ = nullptr;
  std::vector<uint8_t> copied_;  // the page last copied from other_
};

}  // namespace jet
