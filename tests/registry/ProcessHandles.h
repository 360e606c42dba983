#pragma once
// Windows only: how many handles of every kind (registry keys among them) this process has
// open, as the system lists them. GetProcessHandleCount would say the same on Windows, but
// Wine answers it with 0 whatever is open, while it lists every handle of the system.

#ifdef _WIN32

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <winternl.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tav::testing {

namespace process_handles {

// SystemExtendedHandleInformation: a count, then one entry per open handle of the system.
constexpr auto kExtendedHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(64);
constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004L);

struct Entry {
  void* object;
  ULONG_PTR process;
  ULONG_PTR handle;
  ULONG access;
  USHORT creatorBackTraceIndex;
  USHORT objectType;
  ULONG attributes;
  ULONG reserved;
};

struct Header {
  ULONG_PTR count;
  ULONG_PTR reserved;
};

}  // namespace process_handles

// The number of handles this process has open; SIZE_MAX when the system does not tell.
inline size_t ProcessHandleCount() {
  using namespace process_handles;
  std::vector<uint8_t> buffer(1 << 16);
  for (;;) {
    ULONG needed = 0;
    const NTSTATUS status = NtQuerySystemInformation(kExtendedHandleInformation, buffer.data(),
                                                     static_cast<ULONG>(buffer.size()), &needed);
    if (status == kInfoLengthMismatch && buffer.size() < (size_t{1} << 26)) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (status != 0) return SIZE_MAX;
    break;
  }
  const auto* header = reinterpret_cast<const Header*>(buffer.data());
  const auto* entries = reinterpret_cast<const Entry*>(buffer.data() + sizeof(Header));
  const ULONG_PTR self = GetCurrentProcessId();
  size_t count = 0;
  for (ULONG_PTR i = 0; i < header->count; ++i) {
    if (entries[i].process == self) ++count;
  }
  return count;
}

}  // namespace tav::testing

#endif  // _WIN32
