// drowsel-bench-send: times Drowsel's SendChat into a running chat client.
//
//   drowsel-bench-send.exe COUNT [WARMUP]
//
// Posts WARMUP untimed lines (default 20), then COUNT timed ones, each one
// SendChat call on the performance counter. Prints one line per timed call,
// then the number of lines it tried:
//
//   line=N ms=T return_ms=R
//   total lines=N warmup=W
//
// return_ms is the part of T spent in the carriage return's message, that is
// waiting for the client to move the line into its transcript.
//
// SendChat is silent when it finds no chat room, so the caller must check in
// the client that WARMUP + COUNT lines arrived.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "bench_clock.h"
#include "chat/catalogue.h"
#include "chat/send_chat.h"
#include "host/win32/win32_host.h"

namespace {

using namespace drowsel;

// The Win32 host's window functions as they are, with a stopwatch on the
// carriage return sent to the chat input.
class TimedWindows final : public WindowFunctions {
 public:
  explicit TimedWindows(WindowFunctions& windows) : windows_(windows) {}

  double returnSeconds = 0;  // summed since last cleared

  WindowHandle FindWindowA(const char16_t* className, const char16_t* windowName) override {
    return windows_.FindWindowA(className, windowName);
  }
  WindowHandle FindWindowExA(WindowHandle parent, WindowHandle childAfter,
                             const char16_t* className, const char16_t* windowName) override {
    return windows_.FindWindowExA(parent, childAfter, className, windowName);
  }
  std::intptr_t SendMessageA(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                             LParam lParam) override {
    return windows_.SendMessageA(window, message, wParam, lParam);
  }
  bool SendMessageTimeoutA(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                           LParam lParam, std::uint32_t flags, std::uint32_t timeoutMs,
                           std::intptr_t* result) override {
    const double start = bench::Now();
    const bool sent =
        windows_.SendMessageTimeoutA(window, message, wParam, lParam, flags, timeoutMs, result);
    if (message == WmChar) returnSeconds += bench::Now() - start;
    return sent;
  }
  bool SendMessageTimeoutW(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                           LParam lParam, std::uint32_t flags, std::uint32_t timeoutMs,
                           std::intptr_t* result) override {
    return windows_.SendMessageTimeoutW(window, message, wParam, lParam, flags, timeoutMs, result);
  }
  std::string WideCharToMultiByte(std::u16string_view text) override {
    return windows_.WideCharToMultiByte(text);
  }
  std::u16string MultiByteToWideChar(std::string_view text) override {
    return windows_.MultiByteToWideChar(text);
  }
  bool ReleaseCapture() override { return windows_.ReleaseCapture(); }
  void Sleep(std::uint32_t milliseconds) override { windows_.Sleep(milliseconds); }
  std::uint32_t GetTickCount() override { return windows_.GetTickCount(); }
  bool SetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int cx, int cy,
                    std::uint32_t flags) override {
    return windows_.SetWindowPos(window, insertAfter, x, y, cx, cy, flags);
  }

 private:
  WindowFunctions& windows_;
};

// A whole number from the command line, or -1.
long Count(const wchar_t* text) {
  wchar_t* end = nullptr;
  const long value = std::wcstol(text, &end, 10);
  return (end == text || *end != L'\0' || value < 0) ? -1 : value;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const long count = argc >= 2 ? Count(argv[1]) : -1;
  const long warmup = argc >= 3 ? Count(argv[2]) : 20;
  if (argc > 3 || count <= 0 || warmup < 0) {
    std::fwprintf(stderr, L"usage: drowsel-bench-send COUNT [WARMUP]\n");
    return 2;
  }

  win32host::Win32Host win32;
  TimedWindows host(win32);
  // A line of the usual kind: the reason, as Start and every minute post it.
  const std::u16string line = MsgReason(u"Gone to lunch");
  for (long i = 0; i < warmup; ++i) SendChat(host, line);
  for (long i = 1; i <= count; ++i) {
    host.returnSeconds = 0;
    const double start = bench::Now();
    SendChat(host, line);
    const double ms = (bench::Now() - start) * 1000.0;
    std::printf("line=%ld ms=%.4f return_ms=%.4f\n", i, ms, host.returnSeconds * 1000.0);
  }
  std::printf("total lines=%ld warmup=%ld\n", count, warmup);
  std::fflush(stdout);
  return 0;
}
