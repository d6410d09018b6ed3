// drowsel-bench-launch: starts a program, times it until its window shows,
// then reads the program's memory use from outside once it has settled.
//
//   drowsel-bench-launch.exe PROGRAM [CLASS] [--chat-log PATH] [--settle MS]
//
// Times are milliseconds on the performance counter since just before
// CreateProcess. It first prints the wall clock (Unix seconds) at that moment,
// then, while it waits, in the order seen:
//
//   launched_at=UNIX
//   posted_ms=T    a line the chat client logged as POSTED in PATH (its log)
//   visible_ms=T   a visible top-level window of class CLASS (without it,
//                  Drowsel's window class) belonging to the new process; the
//                  wait ends here
//
// It polls both about once a millisecond. After MS more milliseconds
// (default 2000) it prints the memory counters the system keeps for the
// process, in bytes, and ends the program:
//
//   peak_working_set=B working_set=B private_bytes=B
//
// Exit codes: 0 done, 1 the program did not start or show a window within
// 30 s, 2 usage.
#include <windows.h>
// After <windows.h>, which it needs:
#include <psapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "app/win32/form_messages.h"
#include "bench_clock.h"
#include "host/win32/scoped.h"
#include "line_tail.h"

namespace {

constexpr double GiveUpSeconds = 30.0;

int Usage() {
  std::fwprintf(stderr,
                L"usage: drowsel-bench-launch PROGRAM [CLASS] [--chat-log PATH] [--settle MS]\n");
  return 2;
}

// A visible top-level window of the class that belongs to the process.
bool WindowShows(const std::wstring& className, DWORD pid) {
  for (HWND window = FindWindowExW(nullptr, nullptr, className.c_str(), nullptr); window != nullptr;
       window = FindWindowExW(nullptr, window, className.c_str(), nullptr)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == pid && IsWindowVisible(window)) return true;
  }
  return false;
}

class Launched {
 public:
  explicit Launched(const PROCESS_INFORMATION& info)
      : process_(info.hProcess), thread_(info.hThread), pid_(info.dwProcessId) {}
  ~Launched() {
    if (Running()) {
      TerminateProcess(process_.get(), 0);  // a probe that gave up takes its program with it
      WaitForSingleObject(process_.get(), 10000);
    }
  }
  HANDLE process() const { return process_.get(); }
  DWORD pid() const { return pid_; }
  bool Running() const { return WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }

 private:
  drowsel::win32host::ScopedHandle process_;
  drowsel::win32host::ScopedHandle thread_;
  DWORD pid_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return Usage();
  const std::wstring program = argv[1];
  const bool classGiven = argc > 2 && std::wcsncmp(argv[2], L"--", 2) != 0;
  const std::wstring className = classGiven ? argv[2] : drowsel::win32app::FormClassName;
  std::wstring chatLog;
  DWORD settleMs = 2000;
  for (int i = classGiven ? 3 : 2; i < argc; ++i) {
    const std::wstring option = argv[i];
    if (i + 1 >= argc) return Usage();
    if (option == L"--chat-log") {
      chatLog = argv[++i];
    } else if (option == L"--settle") {
      wchar_t* end = nullptr;
      settleMs = std::wcstoul(argv[++i], &end, 10);
      if (*end != L'\0') return Usage();
    } else {
      return Usage();
    }
  }

  bench::LineTail tail(chatLog, false);
  if (!chatLog.empty() && !tail.ok()) {
    std::fwprintf(stderr, L"cannot read %ls\n", chatLog.c_str());
    return 2;
  }

  std::wstring commandLine = L"\"" + program + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  const double launchedAt = bench::UnixNow();
  const double start = bench::Now();
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &info)) {
    std::fwprintf(stderr, L"cannot start %ls (error %lu)\n", program.c_str(), GetLastError());
    return 1;
  }
  Launched launched(info);
  std::printf("launched_at=%.6f\n", launchedAt);

  for (;;) {
    const double now = (bench::Now() - start) * 1000.0;
    for (const std::string& line : tail.Read()) {
      if (line.find(" POSTED ") != std::string::npos) std::printf("posted_ms=%.3f\n", now);
    }
    if (WindowShows(className, launched.pid())) {
      std::printf("visible_ms=%.3f\n", now);
      break;
    }
    if (!launched.Running() || now > GiveUpSeconds * 1000.0) {
      std::fflush(stdout);
      std::fwprintf(stderr, L"no visible %ls window after %.0f ms\n", className.c_str(), now);
      return 1;
    }
    Sleep(1);
  }
  std::fflush(stdout);

  Sleep(settleMs);
  PROCESS_MEMORY_COUNTERS_EX memory = {};
  memory.cb = sizeof(memory);
  if (!GetProcessMemoryInfo(launched.process(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                            sizeof(memory))) {
    std::fwprintf(stderr, L"cannot read the memory counters (error %lu)\n", GetLastError());
    return 1;
  }
  std::printf("peak_working_set=%llu working_set=%llu private_bytes=%llu\n",
              static_cast<unsigned long long>(memory.PeakWorkingSetSize),
              static_cast<unsigned long long>(memory.WorkingSetSize),
              static_cast<unsigned long long>(memory.PrivateUsage));
  std::fflush(stdout);
  return 0;
}
