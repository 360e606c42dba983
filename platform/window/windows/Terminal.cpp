// The terminal on Windows: the console of the process (CONIN$, CONOUT$), read through the
// wide calls so that a password outside the ANSI code page arrives whole, as UTF-8.
#include "platform/window/Terminal.h"

#include <windows.h>

#include "jet/io/WindowsText.h"

namespace tav {

namespace {

// The console's input while the echo is off, for the handler of Ctrl-C and Ctrl-Break.
HANDLE gConsoleInput = INVALID_HANDLE_VALUE;
DWORD gSavedMode = 0;

BOOL WINAPI RestoreOnBreak(DWORD /*event*/) {
  if (gConsoleInput != INVALID_HANDLE_VALUE) ::SetConsoleMode(gConsoleInput, gSavedMode);
  return FALSE;  // the default handler still ends the process
}

class ConsoleHandle {
 public:
  explicit ConsoleHandle(const wchar_t* name)
      : handle_(::CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr)) {}
  ~ConsoleHandle() {
    if (Valid()) ::CloseHandle(handle_);
  }
  ConsoleHandle(const ConsoleHandle&) = delete;
  ConsoleHandle& operator=(const ConsoleHandle&) = delete;

  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

// Turns the echo off for its lifetime; lines are still read whole, with the console's own
// editing.
class EchoOff {
 public:
  explicit EchoOff(HANDLE input) {
    if (!::GetConsoleMode(input, &gSavedMode)) return;
    gConsoleInput = input;
    ::SetConsoleCtrlHandler(RestoreOnBreak, TRUE);
    const DWORD quiet =
        (gSavedMode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) | ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT;
    ::SetConsoleMode(input, quiet);
  }
  ~EchoOff() {
    if (gConsoleInput == INVALID_HANDLE_VALUE) return;
    ::SetConsoleMode(gConsoleInput, gSavedMode);
    gConsoleInput = INVALID_HANDLE_VALUE;
    ::SetConsoleCtrlHandler(RestoreOnBreak, FALSE);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;
};

void WriteAll(HANDLE output, const std::wstring& text) {
  size_t done = 0;
  while (done < text.size()) {
    DWORD written = 0;
    if (!::WriteConsoleW(output, text.data() + done, static_cast<DWORD>(text.size() - done), &written,
                         nullptr) ||
        written == 0)
      return;
    done += written;
  }
}

}  // namespace

bool HasTerminal() {
  ConsoleHandle input(L"CONIN$");
  DWORD mode = 0;
  return input.Valid() && ::GetConsoleMode(input.Get(), &mode);
}

std::optional<std::string> ReadHiddenLine(const std::string& prompt) {
  ConsoleHandle input(L"CONIN$");
  ConsoleHandle output(L"CONOUT$");
  DWORD mode = 0;
  if (!input.Valid() || !output.Valid() || !::GetConsoleMode(input.Get(), &mode)) return std::nullopt;
  std::wstring line;
  bool ended = false;
  {
    EchoOff quiet(input.Get());
    WriteAll(output.Get(), jet::Wide(prompt));
    for (;;) {
      wchar_t c = 0;
      DWORD got = 0;
      if (!::ReadConsoleW(input.Get(), &c, 1, &got, nullptr) || got == 0) {
        ended = true;
        break;
      }
      if (c == L'\n') break;
      if (c == 0x1a && line.empty()) {  // Ctrl-Z, the console's end of input
        ended = true;
        break;
      }
      line += c;
    }
  }
  WriteAll(output.Get(), L"\r\n");  // the line break the echo did not show
  if (ended && line.empty()) return std::nullopt;
  if (!line.empty() && line.back() == L'\r') line.pop_back();
  return jet::Utf8(line);
}

// Writing to a pipe whose reader went away fails on Windows; it never ends the process.
void KeepRunningWithoutReader() {}

}  // namespace tav
