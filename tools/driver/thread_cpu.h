// CPU time of another process, summed over its threads: Wine's
// GetProcessTimes does not report it for a process other than the caller.
#pragma once

#include <windows.h>

#include <optional>

namespace driver {

struct ProcessCpu {
  double seconds = 0;  // user and kernel time together
  int threads = 0;     // how many threads were counted
};

// Nothing when the process's threads cannot be listed.
std::optional<ProcessCpu> CpuOfProcess(DWORD pid);

}  // namespace driver
