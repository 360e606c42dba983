#include "tests/jet/WindowsHolderProcess.h"

#include "jet/io/WindowsText.h"

namespace jet::testing {

WindowsHolderProcess::WindowsHolderProcess(const std::string& mode, const std::string& path) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE child_input = nullptr;
  HANDLE child_output = nullptr;
  HANDLE output = nullptr;
  if (!::CreatePipe(&child_input, &input_, &inherit, 0) ||
      !::CreatePipe(&output, &child_output, &inherit, 0)) {
    said_ = "no pipe";
    return;
  }
  ::SetHandleInformation(input_, HANDLE_FLAG_INHERIT, 0);
  ::SetHandleInformation(output, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = child_input;
  startup.hStdOutput = child_output;
  startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
  std::wstring command = Wide("\"" TAVIMER_WINDOWS_HOLDER "\" " + mode + " \"" + path + "\"");
  PROCESS_INFORMATION started{};
  if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                       &started)) {
    process_ = started.hProcess;
    ::CloseHandle(started.hThread);
  } else {
    said_ = "not started: " + std::to_string(::GetLastError());
  }
  ::CloseHandle(child_input);
  ::CloseHandle(child_output);
  char c = 0;
  DWORD got = 0;
  while (process_ != nullptr && ::ReadFile(output, &c, 1, &got, nullptr) && got == 1 && c != '\n') {
    if (c != '\r') said_.push_back(c);
  }
  ::CloseHandle(output);
}

void WindowsHolderProcess::Release() {
  if (input_ != nullptr) ::CloseHandle(input_);
  input_ = nullptr;
  if (process_ == nullptr) return;
  ::WaitForSingleObject(process_, INFINITE);
  ::CloseHandle(process_);
  process_ = nullptr;
}

}  // namespace jet::testing
