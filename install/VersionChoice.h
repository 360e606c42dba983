#pragma once
// What pressing a version button of the main window decides, shared by the window and its
// terminal counterpart: the tag the window answers with and the file list it shows once
// discovery has stored the data root.

#include <cstdint>
#include <string>

namespace tav {

// The text that opens the file list: txtFiles's first line, before the databases and at
// the window's load.
inline constexpr int16_t kFilesIntroText = 103;

// "TV1" for button 0, "TV2" for button 1, "" for any other index.
std::string VersionTag(int index);

// txtFiles after a version press: text 103, a blank line, then the databases of
// `versionTag` below `basePath` in processing order, one per line (CR LF between lines,
// none after the last).
std::string FileListing(const std::string& versionTag, const std::string& basePath);

}  // namespace tav
