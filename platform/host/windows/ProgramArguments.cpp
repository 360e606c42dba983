#include "platform/host/ProgramArguments.h"

#include <windows.h>
#include <shellapi.h>

#include "jet/io/WindowsText.h"

namespace tav {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  ::SetConsoleOutputCP(CP_UTF8);
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> out;
  for (int i = 0; i < count; ++i) out.push_back(jet::Utf8(wide[i]));
  ::LocalFree(wide);
  return out;
}

}  // namespace tav
