// File-type registration of the registry object: every entry is written below
// HKEY_CLASSES_ROOT and again below HKEY_LOCAL_MACHINE "SOFTWARE\Classes\".

#include "registry/cRegistry.h"

namespace tav {

namespace {

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The executable path trimmed and enclosed in double quotation marks.
std::string QuotedPath(const std::string& exePath) {
  std::string path = Trimmed(exePath);
  if (path.empty() || path.front() != '"') path.insert(path.begin(), '"');
  if (path.back() != '"') path += '"';
  return path;
}

}  // namespace

void cRegistry::WriteClassValue(const std::string& text) {
  SetClassKey(kHkeyClassesRoot);
  SetValue(text);
  const std::string section = sectionKey_;
  SetClassKey(kHkeyLocalMachine);
  SetSectionKey("SOFTWARE\\Classes\\" + section);
  SetValue(text);
  SetSectionKey(section);
}

void cRegistry::CreateEXEAssociation(std::string sExePath, std::string sClassName,
                                     std::string sClassDescription, std::string sAssociation,
                                     std::string sOpenMenuText, bool bSupportPrint,
                                     std::string sPrintMenuText, bool bSupportNew, std::string sNewMenuText,
                                     bool bSupportInstall, std::string sInstallMenuText,
                                     int32_t lDefaultIconIndex) {
  const std::string path = QuotedPath(sExePath);
  const std::string shell = sClassName + "\\shell\\";
  auto write = [&](const std::string& key, const std::string& value) {
    SetSectionKey(key);
    SetValueKey("");
    WriteClassValue(value);
  };
  auto menuText = [](const std::string& text, const std::string& fallback) {
    return text.empty() ? fallback : text;
  };

  SetSectionKey("." + sAssociation);
  SetValueType(static_cast<int32_t>(kRegSz));
  SetValueKey("");
  WriteClassValue(sClassName);
  SetSectionKey(sClassName);
  WriteClassValue(sClassDescription);
  write(shell + "open", menuText(sOpenMenuText, "&Open"));
  write(shell + "open\\command", path + " \"%1\"");
  if (bSupportPrint) {
    write(shell + "print", menuText(sPrintMenuText, "&Print"));
    write(shell + "print\\command", path + " /p \"%1\"");
  }
  if (bSupportInstall) {
    write(shell + "add", menuText(sInstallMenuText, "&Install " + sAssociation));
    write(shell + "add\\command", path + " /a \"%1\"");
  }
  if (bSupportNew) {
    write(shell + "new", menuText(sNewMenuText, "&New"));
    write(shell + "new\\command", path + " /n \"%1\"");
  }
  if (lDefaultIconIndex > -1)
    write(sClassName + "\\DefaultIcon", path + "," + std::to_string(lDefaultIconIndex));
}

void cRegistry::CreateAdditionalEXEAssociations(std::string sClassName,
                                                const std::vector<std::string>& vItems) {
  lastError_.Clear();
  const size_t count = vItems.size();
  if (count % 3 != 0) {
    lastError_.Set(VbError(kRegistryInvalidItemList, ErrorSource(),
                           "Invalid parameter list passed to CreateAdditionalEXEAssociations - expected "
                           "Name/Text/Command"));
    return;
  }
  SetSectionKey(sClassName);
  if (!KeyExists()) {
    lastError_.Set(VbError(kRegistryClassNotDefined, ErrorSource(),
                           "Error - attempt to create additional associations before class defined."));
    return;
  }
  // Continue mode: a failing write is recorded and the next step runs.
  for (size_t i = 0; i + 2 < count; i += 3) {
    const std::string& name = vItems[i];
    SetValueType(static_cast<int32_t>(kRegSz));
    SetSectionKey(sClassName + "\\shell\\" + name);
    SetValueKey("");
    Trap(lastError_, [&] { WriteClassValue(vItems[i + 1]); });
    SetSectionKey(sClassName + "\\shell\\" + name + "\\command");
    SetValueKey("");
    Trap(lastError_, [&] { WriteClassValue(vItems[i + 2]); });
  }
}

}  // namespace tav
