// A scripted stand-in for the platform and for the window's controls: a
// virtual clock, events scheduled at virtual times, an in-memory window tree
// for the chat client, and one record of every call in order, as text that
// tests compare.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <queue>
#include <string>
#include <utility>
#include <vector>

#include "host/host_services.h"
#include "tests/unit/cp1252.h"

namespace drowsel::testing {

std::string Utf8(std::u16string_view text);

class FakeHost final : public HostServices, public FormControls {
 public:
  static constexpr WindowHandle FormWindowHandle = 0xF0;

  // --- the chat client's window tree ---
  // Adds a window as the last child of `parent` (NoWindow: top level) and
  // returns its handle. Handles count up from 1.
  WindowHandle AddWindow(WindowHandle parent, std::u16string className, std::u16string title = u"");
  // A chat client: frame > document area > one chat room per name, the first
  // name frontmost. Returns the rooms' inputs in the same order.
  std::vector<WindowHandle> AddChatClient(const std::vector<std::u16string>& rooms);
  void BringToFront(WindowHandle window);
  void RemoveWindow(WindowHandle window);  // and its children
  void SetHung(WindowHandle window) { windows_[window].hung = true; }
  // A window the system flags as not responding (it was busy for a while),
  // which answers the next message that waits for it.
  void SetFlagged(WindowHandle window) { windows_[window].flagged = true; }
  // A window that answers until it is sent a carriage return, and hangs in it.
  void SetHungOnEnter(WindowHandle window) { windows_[window].hungOnEnter = true; }
  // A window that takes a carriage return and then hangs in whatever comes next.
  void SetHungAfterEnter(WindowHandle window) { windows_[window].hungAfterEnter = true; }
  // An ANSI input, as a real one converts the text it is given. Text sent
  // through the A functions is converted for any window.
  void SetAnsi(WindowHandle input) { windows_[input].ansi = true; }
  // The ANSI code page, as a window holds text after it: 1252 unless a test
  // gives another. (The fake's "bytes" are that text in UTF-8.)
  std::u16string (*ansiCodePage)(std::u16string_view) = &ThroughCp1252;
  void SetInputText(WindowHandle input, std::u16string text) {
    windows_[input].text = std::move(text);
  }
  const std::u16string& InputText(WindowHandle input) { return windows_[input].text; }
  // The user's caret or selection in the input (start, end); WM_SETTEXT puts it at 0.
  void SetSelection(WindowHandle input, std::uint16_t start, std::uint16_t end) {
    windows_[input].selStart = start;
    windows_[input].selEnd = end;
  }
  std::pair<std::uint16_t, std::uint16_t> Selection(WindowHandle input) {
    return {windows_[input].selStart, windows_[input].selEnd};
  }
  // A client that acts on Enter this many virtual seconds after the key (a
  // timer of its own): the line stays in the input until then.
  void SetEnterDelay(WindowHandle input, double seconds) { windows_[input].enterDelay = seconds; }
  // A client that answers WM_GETTEXTLENGTH with this, whatever it holds.
  void SetLengthAnswer(WindowHandle input, std::intptr_t length) {
    windows_[input].lengthAnswer = length;
  }

  // Every line a carriage return sent into a chat room, in order.
  struct PostedLine {
    double time;  // virtual seconds since the run began
    WindowHandle input;
    std::u16string text;
  };
  const std::vector<PostedLine>& posted() const { return posted_; }
  // Runs as each line reaches the room, inside the send that posted it (as a
  // message from another program can be handled while a send waits).
  std::function<void(const PostedLine&)> onPosted;
  std::vector<std::u16string> PostedTexts() const;

  // --- files, the shell and processes ---
  struct FileSystem {
    std::u16string tempPath = u"C:\\Temp\\";
    bool tempPathFails = false;
    std::map<std::u16string, std::u16string> shortPaths;  // long -> 8.3; others have none
    bool folderReadOnly = false;
    bool deleteFails = false;
    std::map<std::u16string, std::string> files;  // path -> content
  } fs;
  struct Shell {
    std::intptr_t findResult = 42;  // what FindExecutableA answers for ".html"
    std::u16string browser = u"C:\\Browser\\browser.exe";
    bool processStartFails = false;
  } shell;

  // --- the clock and the events ---
  // Sets the clock (seconds since midnight) that the run begins at.
  void SetClock(double secondsSinceMidnight) { clockOrigin_ = secondsSinceMidnight; }
  void AdjustClock(double seconds) { clockOrigin_ += seconds; }  // the user resets the clock
  double Now() const { return elapsed_; }  // virtual seconds since the run began
  // The tick count when the run begins (the system's starts at boot).
  void SetTickCount(std::uint32_t atStart) { tickCountOrigin_ = atStart; }
  // Schedules something to happen in the event pump at virtual time `at`.
  void At(double at, std::function<void()> event);
  // A click the user makes at `at`; a disabled button ignores it, as on screen.
  void ClickAt(double at, Control button);
  void QuitAt(double at);  // a quit request arriving in the message queue
  // Runs the window's load handler, then pumps events until none is due
  // before `until` (virtual seconds since the run began).
  void Attach(FormEvents& form) { form_ = &form; }
  void RunLoad();
  void RunUntil(double until);

  // How long one message to a live chat window takes, in virtual seconds.
  double sendCost = 0.0;
  // More pumps or more waits than this in one run throw std::runtime_error,
  // so that a program spinning in a loop fails within a second instead of
  // hanging (0: no limit). A simulated day of ticks needs far fewer.
  int spinLimit = 100000;

  // --- the record ---
  const std::vector<std::string>& calls() const { return calls_; }
  std::vector<std::string> CallsStartingWith(std::string_view prefix) const;
  bool touchedAfterUnload() const { return touchedAfterUnload_; }
  std::size_t openHandles() const { return openHandles_.size(); }
  int timerTicks() const { return timerTicks_; }
  int waits() const { return waits_; }
  int pumps() const { return pumps_; }
  // Events scheduled and not yet delivered, the timer's next tick included.
  std::size_t pendingEvents() const { return events_.size(); }

  // --- HostServices and FormControls ---
  WindowHandle FindWindowA(const char16_t* className, const char16_t* windowName) override;
  WindowHandle FindWindowExA(WindowHandle parent, WindowHandle childAfter,
                             const char16_t* className, const char16_t* windowName) override;
  std::intptr_t SendMessageA(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                             LParam lParam) override;
  bool SendMessageTimeoutA(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                           LParam lParam, std::uint32_t flags, std::uint32_t timeoutMs,
                           std::intptr_t* result) override;
  bool SendMessageTimeoutW(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                           LParam lParam, std::uint32_t flags, std::uint32_t timeoutMs,
                           std::intptr_t* result) override;
  bool ReleaseCapture() override;
  bool SetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int cx, int cy,
                    std::uint32_t flags) override;
  void Sleep(std::uint32_t milliseconds) override;
  std::uint32_t GetTickCount() override;
  std::string WideCharToMultiByte(std::u16string_view text) override;
  std::u16string MultiByteToWideChar(std::string_view text) override;
  std::uint32_t GetTempPathW(std::uint32_t bufferLength, std::u16string& buffer) override;
  std::uint32_t GetShortPathNameW(const std::u16string& longPath, std::uint32_t bufferLength,
                                  std::u16string& buffer) override;
  std::intptr_t FindExecutableA(const std::u16string& file, const std::u16string& directory,
                                std::u16string& result) override;
  bool CreateProcessA(const std::u16string& applicationName, const std::u16string& commandLine,
                      bool inheritHandles, std::uint32_t creationFlags, const StartupInfo& startup,
                      ProcessInformation& process) override;
  bool CloseHandle(KernelHandle handle) override;
  KernelHandle CreateFileA(const std::u16string& path) override;
  bool DeleteFileA(const std::u16string& path) override;
  std::uint32_t GetCurrentProcessId() override { return 77; }
  double Timer() override;
  bool DoEvents() override;
  void MsgWaitForMultipleObjectsEx(std::uint32_t timeoutMs) override;
  // The window posts a quit request as it goes.
  bool Quitting() override { return quitSeen_ || !formExists_; }
  bool FormExists() override { return formExists_; }
  WindowHandle FormHandle() override;
  void UnloadForm() override;
  bool IsEnabled(Control control) override;
  void SetEnabled(Control control, bool enabled) override;
  std::u16string GetText(Control control) override;
  void SetText(Control control, std::u16string_view text) override;

 private:
  struct Window {
    WindowHandle parent = NoWindow;
    std::u16string className;
    std::u16string title;
    std::u16string text;
    bool hung = false;
    bool flagged = false;  // not responding, as the system sees it
    bool hungOnEnter = false;
    bool hungAfterEnter = false;
    bool ansi = false;
    std::uint16_t selStart = 0, selEnd = 0;
    double enterDelay = 0;
    double submitAt = -1;             // when a late Enter is acted on; -1: none pending
    std::intptr_t lengthAnswer = -1;  // -1: the true length
  };
  struct Event {
    double at;
    std::uint64_t order;
    std::function<void()> run;
    bool operator>(const Event& other) const {
      return at != other.at ? at > other.at : order > other.order;
    }
  };
  struct ControlState {
    bool enabled = true;
    std::u16string text;
  };

  void Record(std::string call) { calls_.push_back(std::move(call)); }
  void CheckFormAlive(std::string_view what);
  bool DeliverDueEvent();
  void ScheduleTick(std::uint64_t generation, double at);
  void ActOnLateEnters();
  void Post(WindowHandle input, double time);
  bool SendTimeout(const char* name, WindowHandle window, std::uint32_t message,
                   std::uintptr_t wParam, LParam lParam, std::uint32_t flags,
                   std::uint32_t timeoutMs, std::intptr_t* result);
  std::intptr_t Deliver(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                        LParam lParam);
  std::vector<WindowHandle> ChildrenOf(WindowHandle parent) const;

  std::map<WindowHandle, Window> windows_;
  std::vector<WindowHandle> zOrder_;  // all windows, front first within each parent
  WindowHandle nextHandle_ = 1;
  std::vector<PostedLine> posted_;

  FormEvents* form_ = nullptr;
  bool formExists_ = true;
  bool quitSeen_ = false;
  std::map<Control, ControlState> controls_;
  std::uint64_t timerGeneration_ = 0;

  double clockOrigin_ = 36000.0;  // 10:00:00
  double elapsed_ = 0.0;
  std::uint32_t tickCountOrigin_ = 0;
  std::priority_queue<Event, std::vector<Event>, std::greater<>> events_;
  std::uint64_t eventOrder_ = 0;

  std::map<KernelHandle, std::u16string> openHandles_;
  KernelHandle nextKernelHandle_ = 0x300;
  std::vector<std::string> calls_;
  bool touchedAfterUnload_ = false;
  int timerTicks_ = 0;
  int waits_ = 0;
  int pumps_ = 0;
};

}  // namespace drowsel::testing
