#include "process_sample.h"

#include <algorithm>

#include <psapi.h>
#include <winternl.h>

#include <vector>

#include "host/win32/scoped.h"
#include "thread_cpu.h"

namespace driver {
namespace {

// A live process always holds some GDI and USER objects, so a count of 0 is
// the system not answering: Wine's GetGuiResources is a stub that says 0.
std::optional<std::uint32_t> GuiObjects(HANDLE process, DWORD which) {
  const DWORD count = GetGuiResources(process, which);
  if (count == 0) return std::nullopt;
  return count;
}

// The process's entries in the system's list of every open handle. Wine
// answers this, though its GetProcessHandleCount says 0 for any process.
std::optional<std::uint32_t> CountListedHandles(DWORD pid) {
  using QueryFn = LONG(WINAPI*)(SYSTEM_INFORMATION_CLASS, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<QueryFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (query == nullptr) return std::nullopt;
  constexpr LONG LengthMismatch = static_cast<LONG>(0xC0000004);
  std::vector<unsigned char> buffer(1 << 16);
  for (int attempt = 0; attempt < 8; ++attempt) {
    ULONG needed = 0;
    const LONG status =
        query(SystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status == LengthMismatch) {  // more handles than room: ask again with more
      buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed + 4096));
      continue;
    }
    if (status < 0) return std::nullopt;
    const auto* list = reinterpret_cast<const SYSTEM_HANDLE_INFORMATION*>(buffer.data());
    std::uint32_t count = 0;
    for (ULONG i = 0; i < list->Count; ++i) {
      if (list->Handle[i].OwnerPid == pid) ++count;
    }
    return count;
  }
  return std::nullopt;
}

}  // namespace

std::optional<ProcessSample> SampleProcess(DWORD pid, std::wstring& error) {
  drowsel::win32host::ScopedHandle process(
      OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
  if (!process.valid()) {
    error = L"cannot open process " + std::to_wstring(pid);
    return std::nullopt;
  }
  ProcessSample sample;
  PROCESS_MEMORY_COUNTERS_EX memory = {};
  memory.cb = sizeof(memory);
  if (!GetProcessMemoryInfo(process.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                            sizeof(memory))) {
    error = L"GetProcessMemoryInfo failed";
    return std::nullopt;
  }
  sample.workingSet = memory.WorkingSetSize;
  // Every process has private memory; Wine says 0 for another process.
  if (memory.PrivateUsage != 0) sample.privateBytes = memory.PrivateUsage;
  DWORD handles = 0;
  if (!GetProcessHandleCount(process.get(), &handles)) {
    error = L"GetProcessHandleCount failed";
    return std::nullopt;
  }
  // A live process always holds handles: 0 is the system not counting.
  if (handles != 0) {
    sample.handles = handles;
  } else if (const auto listed = CountListedHandles(pid); listed && *listed != 0) {
    sample.handles = *listed;
    sample.handlesListed = true;
  }
  sample.gdiObjects = GuiObjects(process.get(), GR_GDIOBJECTS);
  sample.userObjects = GuiObjects(process.get(), GR_USEROBJECTS);
  const auto threads = ThreadsOf(pid);
  if (!threads) {
    error = L"cannot list the threads of process " + std::to_wstring(pid);
    return std::nullopt;
  }
  sample.threads = static_cast<std::uint32_t>(threads->size());
  return sample;
}

}  // namespace driver
