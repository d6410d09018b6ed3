// Clocks for the benchmark programs: a fine stopwatch (QueryPerformanceCounter),
// the wall clock, and the CPU time this process has used.
#pragma once

#include <windows.h>

namespace bench {

// Seconds on the performance counter; only differences mean anything.
inline double Now() {
  static const double Frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER count;
  QueryPerformanceCounter(&count);
  return static_cast<double>(count.QuadPart) / Frequency;
}

inline double Seconds(const FILETIME& time) {
  ULARGE_INTEGER ticks;  // 100 ns units
  ticks.LowPart = time.dwLowDateTime;
  ticks.HighPart = time.dwHighDateTime;
  return static_cast<double>(ticks.QuadPart) / 1e7;
}

// The wall clock as Unix seconds, to line up with what a watcher outside
// sees, and with the fraction of a second of the clock Pause reads.
inline double UnixNow() {
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  constexpr double UnixEpoch = 11644473600.0;  // seconds from 1601 to 1970
  return Seconds(now) - UnixEpoch;
}

// User and kernel time of this process, all its threads together.
inline double ProcessCpu() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return -1.0;
  return Seconds(kernel) + Seconds(user);
}

// User and kernel time of the calling thread.
inline double ThreadCpu() {
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return -1.0;
  return Seconds(kernel) + Seconds(user);
}

}  // namespace bench
