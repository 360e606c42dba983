#include "install/VersionChoice.h"

#include "app/DatabaseSet.h"
#include "texts/TextTable.h"

namespace tav {

std::string VersionTag(int index) {
  if (index == 0) return "TV1";
  if (index == 1) return "TV2";
  return {};
}

std::string FileListing(const std::string& versionTag, const std::string& basePath) {
  std::string listing = GetText(kFilesIntroText) + "\r\n\r\n";
  const char* separator = "";
  for (DatabaseLocation db = FirstDatabase(basePath); !db.fileName.empty();
       db = NextDatabase(versionTag, basePath, db.fileName)) {
    listing += separator + db.Path();
    separator = "\r\n";
  }
  return listing;
}

}  // namespace tav
