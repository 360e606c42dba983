#include "jet/base/Status.h"

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

Status& Status::WithCause(OsCause cause) {
  if (error_) error_->cause = cause;
  return *this;
}

Status& Status::Refusing(FileFormat format) {
  if (error_) error_->refused_format = format;
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

}  // namespace jet
