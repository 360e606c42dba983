#include "jet/io/PageEncryptingFile.h"

#include <vector>

#include "jet/base/Rc4.h"

namespace jet {

Status PageEncryptingFile::Scramble(uint64_t offset, std::span<uint8_t> bytes) const {
  if (offset % page_size_ != 0 || bytes.size() % page_size_ != 0) {
    return Status(ErrorKind::kInvalidArgument, "encrypted pages are read and written whole").AtOffset(offset);
  }
  for (size_t at = 0; at < bytes.size(); at += page_size_) {
    const auto page = static_cast<uint32_t>((offset + at) / page_size_);
    if (page != 0) Rc4Apply(key_ ^ page, bytes.subspan(at, page_size_));
  }
  return Status::Ok();
}

Status PageEncryptingFile::ReadAt(uint64_t offset, std::span<uint8_t> buffer) {
  JET_RETURN_IF_ERROR(inner_.ReadAt(offset, buffer));
  return Scramble(offset, buffer);
}

Status PageEncryptingFile::WriteAt(uint64_t offset, std::span<const uint8_t> data) {
  std::vector<uint8_t> copy(data.begin(), data.end());
  JET_RETURN_IF_ERROR(Scramble(offset, copy));
  return inner_.WriteAt(offset, copy);
}

}  // namespace jet
