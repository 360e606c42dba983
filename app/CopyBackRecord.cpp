#include "app/CopyBackRecord.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "platform/base/OsError.h"
#include "platform/base/ProgramFileSystem.h"

namespace tav {

namespace {

constexpr const char* kCompactingSuffix = ".compacting";
constexpr const char* kCopyingSuffix = ".copying";
constexpr const char* kFirstLine = "Tavimer maintenance record\r\n";

std::string Check(const std::string& text) {
  uint64_t hash = 0xcbf29ce484222325ull;  // FNV-1a
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 0x100000001b3ull;
  }
  char digits[17];
  std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
  return digits;
}

// The lines up to the copy's name.
std::string Opening(const std::string& database) {
  return std::string(kFirstLine) + "database " + database + "\r\n";
}

std::string Contents(const std::string& database, const std::string& copy) {
  const std::string lines = Opening(database) + "copy " + copy + "\r\n";
  return lines + "check " + Check(lines) + "\r\n";
}

// The copy's name in `text` after the opening lines: up to the line's end, or the text's.
std::string CopyNameIn(const std::string& text, const std::string& database) {
  const std::string start = Opening(database) + "copy ";
  if (text.size() <= start.size() || text.compare(0, start.size(), start) != 0) return "";
  const size_t end = text.find("\r\n", start.size());
  return text.substr(start.size(), end == std::string::npos ? std::string::npos : end - start.size());
}

// The whole file, or nothing when it is not there.
std::optional<std::string> ReadAll(const FileLocation& file) {
  auto opened = ProgramFileSystem().Open(file.host().string(), jet::OpenMode::kReadOnly);
  if (!opened.ok()) {
    if (opened.status().kind() == jet::ErrorKind::kNotFound) return std::nullopt;
    throw FileError(opened.status(), file.host());
  }
  auto size = (*opened)->Size();
  if (!size.ok()) throw FileError(size.status(), file.host());
  std::vector<uint8_t> bytes(*size);
  if (jet::Status read = (*opened)->ReadAt(0, bytes); !read.ok()) throw FileError(read, file.host());
  return std::string(bytes.begin(), bytes.end());
}

void Throw(const jet::Status& failed, const FileLocation& file) {
  if (!failed.ok()) throw FileError(failed, file.host());
}

void SyncFolderOf(const FileLocation& file) {
  Throw(ProgramFileSystem().SyncFolder(file.host().parent_path().string()), file);
}

}  // namespace

CopyBackRecord CopyBackRecord::Find(const FileLocation& database) {
  const std::string name = database.FileName();
  const FileLocation copying = database.Beside(name + kCopyingSuffix);
  if (std::optional<std::string> text = ReadAll(copying)) {
    const std::string copy = CopyNameIn(*text, name);
    // A copying record was whole before it got that name.
    if (!copy.empty() && *text == Contents(name, copy))
      return CopyBackRecord(State::kCopying, database, copying, database.Beside(copy));
    return CopyBackRecord(State::kForeign, database, copying, {});
  }
  const FileLocation compacting = database.Beside(name + kCompactingSuffix);
  std::optional<std::string> text = ReadAll(compacting);
  if (!text) return CopyBackRecord(State::kNone, database, {}, {});
  const std::string copy = CopyNameIn(*text, name);
  const std::string whole = Contents(name, copy);
  if (!copy.empty() && *text == whole)
    return CopyBackRecord(State::kCompacting, database, compacting, database.Beside(copy));
  // Cut short: the start of what was being written.
  if (whole.compare(0, text->size(), *text) == 0 || Opening(name).compare(0, text->size(), *text) == 0)
    return CopyBackRecord(State::kTorn, database, compacting, {});
  return CopyBackRecord(State::kForeign, database, compacting, {});
}

CopyBackRecord CopyBackRecord::Begin(const FileLocation& database, const FileLocation& copy) {
  jet::FileSystem& files = ProgramFileSystem();
  const FileLocation file = database.Beside(database.FileName() + kCompactingSuffix);
  auto created = files.CreateNew(file.host().string(), 0644);
  Throw(created.status(), file);
  const std::string text = Contents(database.FileName(), copy.FileName());
  jet::Status written = (*created)->WriteAt(
      0, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
  if (written.ok()) written = (*created)->Sync();
  created->reset();
  if (written.ok()) written = files.SyncFolder(file.host().parent_path().string());
  if (!written.ok()) {
    (void)files.Remove(file.host().string());
    Throw(written, file);
  }
  return CopyBackRecord(State::kCompacting, database, file, copy);
}

void CopyBackRecord::Rename(State to) {
  const std::string name = database_.FileName();
  const FileLocation renamed =
      database_.Beside(name + (to == State::kCopying ? kCopyingSuffix : kCompactingSuffix));
  Throw(ProgramFileSystem().Rename(file_.host().string(), renamed.host().string()), file_);
  file_ = renamed;
  state_ = to;
  SyncFolderOf(file_);
}

void CopyBackRecord::MarkCopying() { Rename(State::kCopying); }

void CopyBackRecord::MarkCompacting() { Rename(State::kCompacting); }

void CopyBackRecord::Remove() {
  if (state_ == State::kNone) return;
  Throw(ProgramFileSystem().Remove(file_.host().string()), file_);
  state_ = State::kNone;
  SyncFolderOf(file_);
}

}  // namespace tav
