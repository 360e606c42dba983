#pragma once
// RC4 stream cipher, used by Jet to scramble the header page and, when a database key is
// set, every other page.

#include <cstdint>
#include <span>

namespace jet {

// XORs `data` in place with the RC4 key stream of `key`. Applying it twice restores the data.
void Rc4Apply(std::span<const uint8_t> key, std::span<uint8_t> data);

// The same with a 32-bit key taken as its four little-endian bytes.
void Rc4Apply(uint32_t key, std::span<uint8_t> data);

}  // namespace jet
