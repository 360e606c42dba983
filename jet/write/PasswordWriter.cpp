#include "jet/write/PasswordWriter.h"

#include <cstring>

#include "jet/base/TextCodec.h"
#include "jet/format/Header.h"
#include "jet/write/HeaderPageWriter.h"

namespace jet {

Status SetDatabasePassword(File& file, const std::string& password) {
  if (Utf8ToUtf16(password).size() > kMaxPasswordCharacters) {
    return Status(ErrorKind::kInvalidArgument, "a database password has at most 20 characters");
  }
  Bytes start(kHeaderVersionOffset + 1, 0);
  JET_RETURN_IF_ERROR(file.ReadAt(0, start));
  const FileFormat format = IdentifyFormat(start);
  if (format != FileFormat::kNone) return RefusedFormatError(format, start).AtFile(file.Name());
  const Layout& layout = LayoutFor(static_cast<JetVersion>(start[kHeaderVersionOffset]));
  Bytes page(layout.page_size, 0);
  JET_RETURN_IF_ERROR(file.ReadAt(0, page));
  SetHeaderPassword(layout, page, password);
  JET_RETURN_IF_ERROR(file.WriteAt(0, page));
  return file.Sync();
}

}  // namespace jet
