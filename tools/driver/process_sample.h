// What another process holds, as the system tells an outsider: memory,
// kernel handles, GDI and USER objects, threads. Read once a minute by the
// soak run to see whether any of it grows.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace driver {

struct ProcessSample {
  std::uint64_t workingSet = 0;
  // Nothing where the system does not count them for another process (Wine).
  std::optional<std::uint64_t> privateBytes;
  std::optional<std::uint32_t> handles;
  bool handlesListed = false;  // counted in the system's handle list
  std::optional<std::uint32_t> gdiObjects;
  std::optional<std::uint32_t> userObjects;
  std::uint32_t threads = 0;
};

// Nothing when the process cannot be opened or one of the counts every
// system gives cannot be read; `error` then says which.
std::optional<ProcessSample> SampleProcess(DWORD pid, std::wstring& error);

}  // namespace driver
