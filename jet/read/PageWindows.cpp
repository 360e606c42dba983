#include "jet/read/PageWindows.h"

namespace jet {

PageWindows::PageWindows(PageSource& db, uint32_t pages)
    : slots_{Slot{PageWindow(db, pages)}, Slot{PageWindow(db, pages)}, Slot{PageWindow(db, pages)},
             Slot{PageWindow(db, pages)}} {}

std::span<const uint8_t> PageWindows::Held(uint32_t number) const {
  for (const Slot& slot : slots_) {
    if (const std::span<const uint8_t> held = slot.window.Held(number); !held.empty()) return held;
  }
  return {};
}

Result<std::span<const uint8_t>> PageWindows::Page(uint32_t number) {
  ++clock_;
  for (Slot& slot : slots_) {
    if (const std::span<const uint8_t> held = slot.window.Held(number); !held.empty()) {
      slot.used = clock_;
      return held;
    }
  }
  ++moves_;  // whatever serves the page now overwrites a buffer
  if (other_ != nullptr) {
    if (const std::span<const uint8_t> held = other_->Held(number); !held.empty()) {
      copied_.assign(held.begin(), held.end());
      return std::span<const uint8_t>(copied_);
    }
  }
  // A window that would move on to the page keeps what it holds: the move goes into the
  // window used least recently, so a walk that steps back a little finds its pages.
  Slot* near = nullptr;
  for (Slot& slot : slots_) {
    if (slot.window.Near(number) && (near == nullptr || slot.used > near->used)) near = &slot;
  }
  Slot* oldest = nullptr;
  for (Slot& slot : slots_) {
    if (&slot != near && (oldest == nullptr || slot.used < oldest->used)) oldest = &slot;
  }
  oldest->used = clock_;
  if (near == nullptr) return oldest->window.Page(number);
  return oldest->window.PageAfter(near->window, number);
}

}  // namespace jet
