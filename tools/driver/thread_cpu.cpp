#include "thread_cpu.h"

#include <tlhelp32.h>

namespace driver {
namespace {

double Seconds(const FILETIME& time) {
  ULARGE_INTEGER ticks;  // 100 ns units
  ticks.LowPart = time.dwLowDateTime;
  ticks.HighPart = time.dwHighDateTime;
  return static_cast<double>(ticks.QuadPart) / 1e7;
}

}  // namespace

std::optional<ProcessCpu> CpuOfProcess(DWORD pid) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return std::nullopt;
  ProcessCpu cpu;
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID != pid) continue;
    HANDLE thread = OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ThreadID);
    if (thread == nullptr) continue;  // it ended since the snapshot
    FILETIME created, exited, kernel, user;
    if (GetThreadTimes(thread, &created, &exited, &kernel, &user)) {
      cpu.seconds += Seconds(kernel) + Seconds(user);
      ++cpu.threads;
    }
    CloseHandle(thread);
  }
  CloseHandle(snapshot);
  if (cpu.threads == 0) return std::nullopt;
  return cpu;
}

}  // namespace driver
