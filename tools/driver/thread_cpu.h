// The threads of another process, and its CPU time summed over them: Wine's
// GetProcessTimes does not report it for a process other than the caller.
#pragma once

#include <windows.h>

#include <optional>
#include <vector>

namespace driver {

// The IDs of the process's threads in a snapshot of the system's; nothing
// when they cannot be listed or there are none.
std::optional<std::vector<DWORD>> ThreadsOf(DWORD pid);

struct ProcessCpu {
  double seconds = 0;  // user and kernel time together
  int threads = 0;     // how many threads were counted
};

// Nothing when the process's threads cannot be listed.
std::optional<ProcessCpu> CpuOfProcess(DWORD pid);

}  // namespace driver
