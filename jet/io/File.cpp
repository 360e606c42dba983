#include "jet/io/File.h"

#include <cstring>

namespace jet {

Result<std::unique_ptr<FileLock>> File::Lock(LockMode /*mode*/) {
  return Status(ErrorKind::kUnsupported, "this file cannot be locked").AtFile(Name());
}

Result<FileStat> File::Stat() {
  return Status(ErrorKind::kUnsupported, "this file is not on a disk").AtFile(Name());
}

Status MemoryFile::ReadAt(uint64_t offset, std::span<uint8_t> buffer) {
  if (offset > bytes_.size() || buffer.size() > bytes_.size() - offset) {
    return CorruptError("read past the end of the file").AtFile(name_).AtOffset(offset);
  }
  if (!buffer.empty()) std::memcpy(buffer.data(), bytes_.data() + offset, buffer.size());
  return Status::Ok();
}

Status MemoryFile::WriteAt(uint64_t offset, std::span<const uint8_t> data) {
  if (offset + data.size() > bytes_.size()) bytes_.resize(offset + data.size());
  if (!data.empty()) std::memcpy(bytes_.data() + offset, data.data(), data.size());
  return Status::Ok();
}

Status MemoryFile::Truncate(uint64_t size) {
  bytes_.resize(size);
  return Status::Ok();
}

Status FaultyFile::ReadAt(uint64_t offset, std::span<uint8_t> buffer) {
  if (budget_.read_bytes >= 0) {
    if (static_cast<uint64_t>(budget_.read_bytes) < buffer.size()) {
      return IoError("injected read failure").AtFile(Name()).AtOffset(offset);
    }
    budget_.read_bytes -= static_cast<int64_t>(buffer.size());
  }
  ++reads_;
  return inner_->ReadAt(offset, buffer);
}

Status FaultyFile::WriteAt(uint64_t offset, std::span<const uint8_t> data) {
  if (budget_.writes == 0) return IoError("injected write failure").AtFile(Name()).AtOffset(offset);
  if (budget_.write_bytes >= 0 && static_cast<uint64_t>(budget_.write_bytes) < data.size()) {
    return IoError("injected write failure").AtFile(Name()).AtOffset(offset);
  }
  if (budget_.writes > 0) --budget_.writes;
  if (budget_.write_bytes >= 0) budget_.write_bytes -= static_cast<int64_t>(data.size());
  return inner_->WriteAt(offset, data);
}

Status FaultyFile::Sync() {
  if (budget_.fail_sync) return IoError("injected sync failure").AtFile(Name());
  return inner_->Sync();
}

}  // namespace jet
