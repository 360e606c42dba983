#include "jet/base/Rc4.h"

#include <array>
#include <utility>

namespace jet {

void Rc4Apply(std::span<const uint8_t> key, std::span<uint8_t> data) {
  if (key.empty()) return;
  std::array<uint8_t, 256> state{};
  for (size_t i = 0; i < state.size(); ++i) state[i] = static_cast<uint8_t>(i);
  uint8_t j = 0;
  for (size_t i = 0; i < state.size(); ++i) {
    j = static_cast<uint8_t>(j + state[i] + key[i % key.size()]);
    std::swap(state[i], state[j]);
  }
  uint8_t x = 0;
  uint8_t y = 0;
  for (uint8_t& byte : data) {
    x = static_cast<uint8_t>(x + 1);
    y = static_cast<uint8_t>(y + state[x]);
    std::swap(state[x], state[y]);
    byte ^= state[static_cast<uint8_t>(state[x] + state[y])];
  }
}

void Rc4Apply(uint32_t key, std::span<uint8_t> data) {
  const std::array<uint8_t, 4> bytes{static_cast<uint8_t>(key), static_cast<uint8_t>(key >> 8),
                                     static_cast<uint8_t>(key >> 16), static_cast<uint8_t>(key >> 24)};
  Rc4Apply(bytes, data);
}

}  // namespace jet
