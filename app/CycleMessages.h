#pragma once
// The message-box texts and result lines of the maintenance cycle, built from the text
// table. A blank line is two CR LF pairs; a database's path is shown in double quotes.

#include <string>

namespace tav {

// Message-box styles of the cycle.
inline constexpr int kWrongPasswordStyle = 48;    // OK, exclamation
inline constexpr int kRepairFailedStyle = 21;     // Retry and Cancel, stop
inline constexpr int kRepairSucceededStyle = 64;  // OK, information
inline constexpr int kCompactFailedStyle = 16;    // OK, stop
inline constexpr int kCopyFinishedStyle = 64;     // OK, information

std::string WrongPasswordMessage();
std::string RepairFailedMessage(const std::string& path, const std::string& description);
std::string RepairSucceededMessage(const std::string& path);
std::string CompactFailedMessage(const std::string& path, const std::string& description);
// An interrupted copy back finished: the repair-succeeded text, a blank line and what
// happened (app/EarlierRun.h).
std::string CopyFinishedMessage(const std::string& path, const std::string& description);

// "The database "<path>" has been successfully compacted" (or "did not need ...").
std::string ResultLine(const std::string& path, bool compacted);

// `display` with a result line appended after a blank line.
std::string AppendResultLine(const std::string& display, const std::string& line);

}  // namespace tav
