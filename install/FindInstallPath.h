#pragma once
// Installation discovery: finds the data root of the chosen Tavimer generation and stores
// it in Run().BasePath.
//
// First generation: the tool's own folder when "tavimer.exe" or "tavimerint.exe" sits in
// it, else the "Path" setting of "Tavimer\Main", else that of "TavimerInt\Main". Second
// generation: the documents folder + "\Tavimer2". The first source that applies gives the
// candidate whether or not it then passes validation. The candidate must hold "data\"
// with "list.mdb" and "history\" with "history.mdb"; BasePath becomes the candidate
// exactly as formed, or "" when there is none or it is not a data root. Nothing is shown
// and nothing fails.

#include <functional>
#include <string>

#include "install/ReadSetting.h"
#include "install/modGetDirs2.h"
#include "platform/files/FileSystem.h"

namespace tav {

// Where discovery looks. The program uses the defaults; tests put their own in.
struct DiscoverySources {
  std::function<std::string()> appFolder = AppFolder;
  std::function<std::string(const std::string&, const std::string&, const std::string&)> readSetting =
      ReadSetting;
  std::function<std::string()> documentsFolder = GetDocumentsFolder;
};

void FindInstallPath(bool secondGeneration);
void FindInstallPath(bool secondGeneration, const DiscoverySources& sources);

// The candidate data root before validation (may be empty).
std::string InstallPathCandidate(bool secondGeneration, const DiscoverySources& sources);

// Runs all five shape tests on `candidate`; true when every entry exists.
bool IsDataRoot(const std::string& candidate);

}  // namespace tav
