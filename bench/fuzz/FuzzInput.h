#pragma once
// What every fuzz target shares: the input bytes become an in-memory database file. The
// password-protected seeds use "password"; a database without one ignores it.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "jet/io/File.h"
#include "jet/read/Database.h"

namespace jet::fuzz {

inline Result<std::unique_ptr<Database>> OpenInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  return Database::Open(std::make_unique<MemoryFile>(std::move(bytes), "fuzz.mdb"), {.password = "password"});
}

}  // namespace jet::fuzz
