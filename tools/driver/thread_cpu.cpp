#include "thread_cpu.h"

#include <tlhelp32.h>

#include "host/win32/scoped.h"

namespace driver {
namespace {

double Seconds(const FILETIME& time) {
  ULARGE_INTEGER ticks;  // 100 ns units
  ticks.LowPart = time.dwLowDateTime;
  ticks.HighPart = time.dwHighDateTime;
  return static_cast<double>(ticks.QuadPart) / 1e7;
}

}  // namespace

std::optional<std::vector<DWORD>> ThreadsOf(DWORD pid) {
  drowsel::win32host::ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  if (!snapshot.valid()) return std::nullopt;
  std::vector<DWORD> threads;
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Thread32First(snapshot.get(), &entry); more;
       more = Thread32Next(snapshot.get(), &entry)) {
    if (entry.th32OwnerProcessID == pid) threads.push_back(entry.th32ThreadID);
  }
  if (threads.empty()) return std::nullopt;  // not even the thread that owns its window
  return threads;
}

std::optional<ProcessCpu> CpuOfProcess(DWORD pid) {
  const auto threads = ThreadsOf(pid);
  if (!threads) return std::nullopt;
  ProcessCpu cpu;
  for (DWORD id : *threads) {
    drowsel::win32host::ScopedHandle thread(
        OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, id));
    if (!thread.valid()) continue;  // it ended since the snapshot
    FILETIME created, exited, kernel, user;
    if (GetThreadTimes(thread.get(), &created, &exited, &kernel, &user)) {
      cpu.seconds += Seconds(kernel) + Seconds(user);
      ++cpu.threads;
    }
  }
  if (cpu.threads == 0) return std::nullopt;
  return cpu;
}

}  // namespace driver
