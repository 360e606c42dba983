#pragma once
// One error type for the whole engine. Every fallible call returns a Status or a
// Result<T>; nothing in jet/ throws. An error carries a kind (what went wrong), a
// description, and where it happened (file, page, byte offset) when that is known.
// The layers above turn the kind into the error numbers they show.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace jet {

enum class ErrorKind {
  kNotFound,      // file or object does not exist
  kNotADatabase,  // the file is not a Jet database (bad header)
  kBadPassword,   // missing or wrong database password
  kCorrupt,       // the file is a database but its structures are damaged
  kIo,            // the operating system refused a read or write
  kInUse,         // the file is locked by someone else
  kExists,        // a file that must be new already exists
  kUnsupported,   // a valid feature this engine does not handle
  kInvalidArgument,
};

// What the operating system said when it refused a file operation, for the layers above,
// which tell a full disk or a read-only medium apart from other failures of the disk. Set
// only by the file layer (jet/io/OsError.h); kNone for every other error.
enum class OsCause {
  kNone,
  kNotAFolder,      // a component of the path is not a folder
  kNoSpace,         // the disk or the user's quota is full, or the file would grow too large
  kDenied,          // no permission, or a file that may not be changed (immutable, append-only)
  kReadOnlyMedium,  // the file system is mounted read-only
  kDevice,          // the device failed
  kOther,
};

// What a file refused as no database of ours turned out to be, so that a caller can say so
// ("an Access 2007 or later file", "not a database"). Set on the kNotADatabase and
// kUnsupported errors that refuse a file for its signature or format version; kNone on every
// other error.
enum class FileFormat : uint8_t {
  kNone,
  kNotADatabase,       // no database signature at all
  kAccess2007OrLater,  // signature "Standard ACE DB": Access 2007 and later (.accdb), any version
  kLaterJetVersion,    // signature "Standard Jet DB" with a version byte after Jet 4's
};

class Status {
 public:
  Status() = default;  // success
  Status(ErrorKind kind, std::string description)
      : error_(Error{kind,
                     std::move(description),
                     {},
                     std::nullopt,
                     std::nullopt,
                     OsCause::kNone,
                     FileFormat::kNone}) {}

  static Status Ok() { return Status(); }
  bool ok() const { return !error_.has_value(); }
  explicit operator bool() const { return ok(); }

  ErrorKind kind() const { return error_->kind; }
  const std::string& description() const { return error_->description; }
  const std::string& file() const { return error_->file; }
  std::optional<uint32_t> page() const { return error_->page; }
  std::optional<uint64_t> offset() const { return error_->offset; }
  OsCause cause() const { return error_ ? error_->cause : OsCause::kNone; }
  // What the refused file is (see FileFormat); kNone when this error is not such a refusal.
  FileFormat refused_format() const { return error_ ? error_->refused_format : FileFormat::kNone; }

  // Adds location details; returns *this so calls can be chained on a temporary.
  Status& AtFile(std::string path);
  Status& AtPage(uint32_t page);
  Status& AtOffset(uint64_t offset);
  Status& WithCause(OsCause cause);
  Status& Refusing(FileFormat format);

  // "description (file x, page n, offset m)" for logs and the command-line tools.
  std::string ToString() const;

 private:
  struct Error {
    ErrorKind kind;
    std::string description;
    std::string file;
    std::optional<uint32_t> page;
    std::optional<uint64_t> offset;
    OsCause cause;
    FileFormat refused_format;
  };
  std::optional<Error> error_;
};

// Shorthands for building errors.
inline Status CorruptError(std::string what) { return Status(ErrorKind::kCorrupt, std::move(what)); }
inline Status IoError(std::string what) { return Status(ErrorKind::kIo, std::move(what)); }

// A value or an error. Access to value() on an error (or status() on a value) is a
// programming fault and aborts.
template <typename T>
class Result {
 public:
  Result(T value) : data_(std::move(value)) {}  // NOLINT: implicit by design
  Result(Status status) : data_(std::move(status)) {
    if (std::get<Status>(data_).ok()) data_ = Status(ErrorKind::kInvalidArgument, "ok status as error");
  }

  bool ok() const { return std::holds_alternative<T>(data_); }
  explicit operator bool() const { return ok(); }

  T& value() & { return std::get<T>(data_); }
  const T& value() const& { return std::get<T>(data_); }
  T&& value() && { return std::get<T>(std::move(data_)); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }

  // The error; Status::Ok() when this holds a value.
  Status status() const { return ok() ? Status::Ok() : std::get<Status>(data_); }

 private:
  std::variant<T, Status> data_;
};

}  // namespace jet

// Early return helpers for functions returning Status or Result<T>.
#define JET_RETURN_IF_ERROR(expr)              \
  do {                                         \
    ::jet::Status jet_status_ = (expr);        \
    if (!jet_status_.ok()) return jet_status_; \
  } while (0)

#define JET_CONCAT_INNER_(a, b) a##b
#define JET_CONCAT_(a, b) JET_CONCAT_INNER_(a, b)
#define JET_ASSIGN_OR_RETURN(lhs, expr) \
  JET_ASSIGN_OR_RETURN_IMPL_(JET_CONCAT_(jet_result_, __LINE__), lhs, expr)
#define JET_ASSIGN_OR_RETURN_IMPL_(tmp, lhs, expr) \
  auto tmp = (expr);                               \
  if (!tmp.ok()) return tmp.status();              \
  lhs = std::move(tmp).value()
