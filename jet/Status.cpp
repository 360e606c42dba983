#include "jet/Status.h"

namespace jet {

Status& Status::AtFile(std::string path) {
  if (error_) error_->file = std::move(path);
  return *this;
}

Status& Status::AtPage(uint32_t page) {
  if (error_) error_->page = page;
  return *this;
}

Status& Status::AtOffset(uint64_t offset) {
  if (error_) error_->offset = offset;
  return *this;
}

std::string Status::ToString() const {
  if (ok()) return "ok";
  std::string out = error_->description;
  std::string where;
  auto add = [&where](const std::string& part) { where += (where.empty() ? "" : ", ") + part; };
  if (!error_->file.empty()) add("file " + error_->file);
  if (error_->page) add("page " + std::to_string(*error_->page));
  if (error_->offset) add("offset " + std::to_string(*error_->offset));
  if (!where.empty()) out += " (" + where + ")";
  return out;
}

int32_t Status::DaoNumber() const { return ok() ? 0 : DaoErrorNumber(error_->kind); }

int32_t DaoErrorNumber(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::kNotFound: return 3024;         // could not find file
    case ErrorKind::kBadPassword: return 3031;      // not a valid password
    case ErrorKind::kNotADatabase: return 3343;     // unrecognized database format
    case ErrorKind::kCorrupt: return 3049;          // cannot open, corrupted
    case ErrorKind::kIo: return 3043;               // disk or network error
    case ErrorKind::kInUse: return 3045;            // file already in use
    case ErrorKind::kExists: return 3204;           // database already exists
    case ErrorKind::kUnsupported: return 3343;      // treat as an unrecognized format
    case ErrorKind::kInvalidArgument: return 3001;  // invalid argument
  }
  return 3049;
}

}  // namespace jet
