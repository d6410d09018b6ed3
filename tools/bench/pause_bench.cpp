// drowsel-bench-pause: times Drowsel's Pause against a live hidden window.
//
//   drowsel-bench-pause.exe COUNT [--bare | --spin]
//
// Runs one untimed pause, so that the timed ones start on the clock's whole
// second, then COUNT pauses of PauseSeconds back to back, and prints nothing
// until they are over. With --bare each timed "pause" is instead the
// platform's own wait for input until the same deadline, with nothing of
// Pause around it: the least a second of waiting costs with this window. With
// --spin it is the same Pause over a pump whose wait returns at once, so that
// it handles events without ever sleeping: the busy loop of a naive pause,
// the reference.
// Then one line per pause:
//
//   pause=N wall=S thread_cpu=S process_cpu=S late=S sleeps=N pumps=N
//
// wall is the pause's length on the performance counter; the CPU columns are
// what it cost this thread and this process as the system counts it (under
// Wine in 10 ms ticks); late is how far past its deadline it returned, on the
// clock Pause itself reads (host.Timer(): the start rounded to the nearest
// second, plus PauseSeconds); sleeps and pumps are how often it went to sleep
// waiting for input and how often it handled pending events. Then the totals
// over the timed pauses, with the wall clock (Unix seconds) at their start
// and end, so that a watcher outside can read the process's CPU time for
// exactly that stretch:
//
//   total pauses=N wall=S thread_cpu=S process_cpu=S build=sleeping|spinning|bare
//   timed_from=UNIX timed_to=UNIX
//
// The program idles for a moment after the last pause, before it prints.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cwchar>
#include <vector>

#include "app/win32/program.h"
#include "bench_clock.h"
#include "chat/pause.h"

namespace {

// The window's handlers do nothing: the benchmark only needs a window to pump.
class QuietForm final : public drowsel::FormEvents {
 public:
  void Load() override {}
  void MouseDown() override {}
  void Click(drowsel::Control) override {}
  void Tick() override {}
};

// The Win32 host's clock and pump, counting what the pause asks of them. A
// spinning pump never sleeps: its wait returns at once.
class CountingPump final : public drowsel::EventPump {
 public:
  CountingPump(drowsel::EventPump& pump, bool spin) : pump_(pump), spin_(spin) {}

  long sleeps = 0;
  long pumps = 0;

  double Timer() override { return pump_.Timer(); }
  bool DoEvents() override {
    ++pumps;
    return pump_.DoEvents();
  }
  void MsgWaitForMultipleObjectsEx(std::uint32_t timeoutMs) override {
    if (spin_) return;
    ++sleeps;
    pump_.MsgWaitForMultipleObjectsEx(timeoutMs);
  }
  bool Quitting() override { return pump_.Quitting(); }

 private:
  drowsel::EventPump& pump_;
  bool spin_;
};

struct Sample {
  double wall, thread, process, late;
  long sleeps, pumps;
};

// The platform's wait for input, until the deadline Pause would have.
bool BareWait(drowsel::EventPump& host, int seconds) {
  const double deadline = std::nearbyint(host.Timer()) + seconds;
  for (double left = deadline - host.Timer(); left > 0; left = deadline - host.Timer()) {
    host.MsgWaitForMultipleObjectsEx(static_cast<std::uint32_t>(std::ceil(left * 1000.0)));
  }
  return true;
}

// What a watcher outside may take as quiet either side of the timed pauses.
constexpr DWORD QuietMs = 200;

}  // namespace

int wmain(int argc, wchar_t** argv) {
  using namespace drowsel;
  wchar_t* end = nullptr;
  const long count = argc >= 2 ? std::wcstol(argv[1], &end, 10) : 0;
  const bool bare = argc == 3 && std::wcscmp(argv[2], L"--bare") == 0;
  const bool spin = argc == 3 && std::wcscmp(argv[2], L"--spin") == 0;
  if (count <= 0 || end == nullptr || *end != L'\0' || argc > (bare || spin ? 3 : 2)) {
    std::fwprintf(stderr, L"usage: %ls COUNT [--bare | --spin]\n",
                  argc > 0 ? argv[0] : L"drowsel-bench-pause");
    return 2;
  }

  const char* const build = bare ? "bare" : (spin ? "spinning" : "sleeping");

  // Drowsel's window, made as drowsel.exe makes it, but never shown.
  win32app::Program program(GetModuleHandleW(nullptr));
  CountingPump host(program.host(), spin);
  QuietForm events;
  if (!program.Create(events)) {
    std::fprintf(stderr, "cannot create the window\n");
    return 1;
  }

  const int seconds = PauseSeconds;
  if (!Pause(host, seconds)) return 1;  // lines the clock up on a whole second

  std::vector<Sample> samples;
  samples.reserve(static_cast<std::size_t>(count));
  const double timedFrom = bench::UnixNow();
  for (long i = 1; i <= count; ++i) {
    host.sleeps = host.pumps = 0;
    const double thread0 = bench::ThreadCpu();
    const double process0 = bench::ProcessCpu();
    const double deadline = std::nearbyint(host.Timer()) + seconds;
    const double wall0 = bench::Now();
    const bool goesOn = bare ? BareWait(host, seconds) : Pause(host, seconds);
    const double wall = bench::Now() - wall0;
    double late = host.Timer() - deadline;
    if (late < -43200.0) late += 86400.0;  // the pause ran across midnight
    const double thread = bench::ThreadCpu() - thread0;
    const double process = bench::ProcessCpu() - process0;
    if (!goesOn) {
      std::fprintf(stderr, "the window went away during pause %ld\n", i);
      return 1;
    }
    samples.push_back({wall, thread, process, late, host.sleeps, host.pumps});
  }
  const double timedTo = bench::UnixNow();
  Sleep(QuietMs);

  double totalWall = 0, totalThread = 0, totalProcess = 0;
  for (long i = 0; i < count; ++i) {
    const Sample& s = samples[static_cast<std::size_t>(i)];
    std::printf(
        "pause=%ld wall=%.6f thread_cpu=%.6f process_cpu=%.6f late=%.6f sleeps=%ld pumps=%ld\n",
        i + 1, s.wall, s.thread, s.process, s.late, s.sleeps, s.pumps);
    totalWall += s.wall;
    totalThread += s.thread;
    totalProcess += s.process;
  }
  std::printf("total pauses=%ld wall=%.6f thread_cpu=%.6f process_cpu=%.6f build=%s\n", count,
              totalWall, totalThread, totalProcess, build);
  std::printf("timed_from=%.6f timed_to=%.6f\n", timedFrom, timedTo);
  std::fflush(stdout);
  program.form().UnloadForm();
  return 0;
}
