#pragma once
// A file whose pages (all but the header page) are stored RC4-scrambled under the
// database key XOR the page number, as a database with a non-zero key keeps them. Writes
// and reads must cover whole pages.

#include <memory>

#include "jet/io/File.h"

namespace jet {

class PageEncryptingFile : public File {
 public:
  PageEncryptingFile(File& inner, uint32_t page_size, uint32_t key)
      : inner_(inner), page_size_(page_size), key_(key) {}

  Status ReadAt(uint64_t offset, std::span<uint8_t> buffer) override;
  Status WriteAt(uint64_t offset, std::span<const uint8_t> data) override;
  Result<uint64_t> Size() override { return inner_.Size(); }
  Status Sync() override { return inner_.Sync(); }
  Status Truncate(uint64_t size) override { return inner_.Truncate(size); }
  std::string Name() const override { return inner_.Name(); }

 private:
  Status Scramble(uint64_t offset, std::span<uint8_t> bytes) const;

  File& inner_;
  uint32_t page_size_;
  uint32_t key_;
};

}  // namespace jet
