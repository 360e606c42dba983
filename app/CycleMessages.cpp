#include "app/CycleMessages.h"

#include "texts/TextTable.h"

namespace tav {

namespace {

constexpr const char* kBlankLine = "\r\n\r\n";

enum TextNumber : int16_t {
  kIncorrectPassword = 50,
  kRepairFailed = 51,
  kErrorEncountered = 52,
  kTheDatabase = 53,
  kRepaired = 54,
  kCompactFailed = 55,
  kCompacted = 56,
  kNotCompacted = 57,
};

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// text, blank line, quoted path, blank line, text 52, blank line, description
std::string FailureMessage(int16_t headline, const std::string& path, const std::string& description) {
  return GetText(headline) + kBlankLine + Quoted(path) + kBlankLine + GetText(kErrorEncountered) +
         kBlankLine + description;
}

}  // namespace

std::string WrongPasswordMessage() { return GetText(kIncorrectPassword); }

std::string RepairFailedMessage(const std::string& path, const std::string& description) {
  return FailureMessage(kRepairFailed, path, description);
}

std::string RepairSucceededMessage(const std::string& path) {
  return GetText(kTheDatabase) + kBlankLine + Quoted(path) + kBlankLine + GetText(kRepaired);
}

std::string CopyFinishedMessage(const std::string& path, const std::string& description) {
  return RepairSucceededMessage(path) + kBlankLine + description;
}

std::string CompactFailedMessage(const std::string& path, const std::string& description) {
  return FailureMessage(kCompactFailed, path, description);
}

std::string ResultLine(const std::string& path, bool compacted) {
  return GetText(kTheDatabase) + " " + Quoted(path) + " " + GetText(compacted ? kCompacted : kNotCompacted);
}

std::string AppendResultLine(const std::string& display, const std::string& line) {
  return display + kBlankLine + line;
}

}  // namespace tav
