#include "platform/host/MachineName.h"

#include <windows.h>

#include "jet/io/WindowsText.h"

namespace tav {

// The NetBIOS name, the one the engine shows.
std::string MachineName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
  if (!::GetComputerNameW(name, &length) || length == 0) return "localhost";
  return jet::Utf8(std::wstring_view(name, length));
}

}  // namespace tav
