// drowsel-driver: looks at and pokes Drowsel's window from another process,
// for the end-to-end tests. Prints plain key=value lines (UTF-8).
//
//   drowsel-driver.exe find | controls | cpu | sample | close | windows
//   drowsel-driver.exe click CAPTION
//   drowsel-driver.exe click-many CAPTION N
//   drowsel-driver.exe set-text CAPTION_OR_ID TEXT
//   drowsel-driver.exe keys KEYS
//   drowsel-driver.exe post MESSAGE WPARAM LPARAM
//   drowsel-driver.exe send MESSAGE WPARAM LPARAM
//   drowsel-driver.exe sleep MS
//   drowsel-driver.exe chat-front ROOM | chat-stall MS | chat-close
//   drowsel-driver.exe run-shown SHOW PROGRAM
//
// Several commands can run in one go, joined by "then", e.g.
// `click Adv. then sleep 300 then click Exit`: the gap between them is then
// the sleep alone, without another start of the program in between.
//
// `find` also prints `iconic` (minimised), `foreground`, `at`, the wall clock
// (Unix seconds) just before it looked at the window, `moving`, whether the
// window's thread is in the platform's move loop, and `work`, the work area
// of the window's monitor.
//
// `post` posts a message to the window, as any other program could; the
// numbers are decimal or 0x hexadecimal, and the message may be `click`, the
// one the window queues for a click (wParam: the button's control ID).
// `send` sends it instead, bounded (SendMessageTimeout), and prints the
// answer. WM_NCCREATE and WM_CREATE can only be sent with a creation record,
// so for those LPARAM is the record's lpCreateParams: what another program
// would hand over.
//
// `keys` brings the window to the foreground and types KEYS with real key
// presses, which reach the control with the focus: text, and keys named in
// braces ({tab}, {shift+tab}, {enter}, {space}, {escape}). `controls` says
// which control has the focus.
//
// `click-many` posts N clicks in a row without waiting for any of them, the
// way an impatient user queues them. `windows` lists the visible top-level
// windows of every program, to see whether something new turned up.
//
// `sample` prints what Drowsel's process holds: working set, private bytes,
// handles, GDI and USER objects ("unavailable" where the system does not
// count them for another process, as under Wine) and threads. Where the
// handle count is not given, the handles are counted in the system's list of
// open handles instead, and `handles_from=system-list` says so.
//
// `run-shown` starts PROGRAM the way a shortcut set to "Run: Maximized" (or
// another show command, SW_ as a number) does: STARTF_USESHOWWINDOW with
// wShowWindow = SHOW. It prints the program's `pid` at once, waits for it to
// end, and prints its `exit` code.
//
// The chat- commands work the stand-in chat client instead: bring a room to
// the front, make it stop answering for MS milliseconds, close it.
//
// `serve` keeps the driver running: it reads command lines on standard
// input and answers each (see serve.h).
//
// Exit codes: 0 done, 1 usage or a failed call, 2 no Drowsel window (for the
// chat- commands: no chat client), 3 the button is disabled, 4 no such
// control or room.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "app/win32/form_messages.h"
#include "chat_client_window.h"
#include "host/win32/scoped.h"
#include "keyboard.h"
#include "process_sample.h"
#include "serve.h"
#include "target_window.h"
#include "thread_cpu.h"

namespace {

using driver::Child;

constexpr int ExitFailed = 1;
constexpr int ExitNoWindow = 2;
constexpr int ExitDisabled = 3;
constexpr int ExitNoControl = 4;

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

// A value on one line: backslash, line breaks and tabs escaped.
std::string OneLine(const std::wstring& text) {
  std::wstring escaped;
  for (wchar_t c : text) {
    if (c == L'\\') {
      escaped += L"\\\\";
    } else if (c == L'\n') {
      escaped += L"\\n";
    } else if (c == L'\r') {
      escaped += L"\\r";
    } else if (c == L'\t') {
      escaped += L"\\t";
    } else {
      escaped += c;
    }
  }
  return Utf8(escaped);
}

void Put(const std::string& key, const std::string& value) {
  std::printf("%s=%s\n", key.c_str(), value.c_str());
}

std::string Hex(std::uintptr_t value) {
  char text[32];
  std::snprintf(text, sizeof(text), "0x%llx", static_cast<unsigned long long>(value));
  return text;
}

// x,y,width,height
std::string Box(const RECT& rect) {
  return std::to_string(rect.left) + "," + std::to_string(rect.top) + "," +
         std::to_string(rect.right - rect.left) + "," + std::to_string(rect.bottom - rect.top);
}

// The wall clock as Unix seconds, to line up with the times a test keeps.
// Under Wine this clock is the host's, to the microsecond.
std::string Now() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER ticks;  // 100 ns units since 1601
  ticks.LowPart = now.dwLowDateTime;
  ticks.HighPart = now.dwHighDateTime;
  constexpr ULONGLONG UnixEpoch = 116444736000000000ULL;
  char text[32];
  std::snprintf(text, sizeof(text), "%.6f", static_cast<double>(ticks.QuadPart - UnixEpoch) / 1e7);
  return text;
}

// The error line comes after what was printed before it, at once: in the
// long-lived mode both share one pipe, where standard error is buffered too.
int Fail(int code, const std::wstring& message) {
  std::fflush(stdout);
  std::fprintf(stderr, "drowsel-driver: %s\n", Utf8(message).c_str());
  std::fflush(stderr);
  return code;
}

int NoWindow() {
  return Fail(ExitNoWindow, L"no Drowsel window");
}

int Find() {
  HWND window = driver::FindDrowsel();
  if (window == nullptr) return NoWindow();
  const std::string at = Now();  // taken before any state is read
  DWORD pid = 0;
  const DWORD tid = GetWindowThreadProcessId(window, &pid);
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
  RECT outer = {}, client = {};
  GetWindowRect(window, &outer);
  GetClientRect(window, &client);
  MapWindowPoints(window, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
  GUITHREADINFO gui = {};
  gui.cbSize = sizeof(gui);
  const bool moving = GetGUIThreadInfo(tid, &gui) && (gui.flags & GUI_INMOVESIZE) != 0;
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) {
    return Fail(ExitFailed, L"GetMonitorInfo failed");
  }
  Put("hwnd", Hex(reinterpret_cast<std::uintptr_t>(window)));
  Put("pid", std::to_string(pid));
  Put("tid", std::to_string(tid));
  Put("visible", IsWindowVisible(window) ? "1" : "0");
  Put("iconic", IsIconic(window) ? "1" : "0");
  Put("foreground", GetForegroundWindow() == window ? "1" : "0");
  Put("topmost", (exStyle & WS_EX_TOPMOST) ? "1" : "0");
  Put("appwindow", (exStyle & WS_EX_APPWINDOW) ? "1" : "0");
  Put("style", Hex(style));
  Put("exstyle", Hex(exStyle));
  Put("title", OneLine(driver::ReadText(window).value_or(L"")));
  Put("window", Box(outer));
  Put("client", Box(client));
  Put("moving", moving ? "1" : "0");
  Put("work", Box(monitor.rcWork));
  Put("at", at);
  return 0;
}

int Controls() {
  HWND window = driver::FindDrowsel();
  if (window == nullptr) return NoWindow();
  const std::vector<Child> children = driver::ListChildren(window);
  GUITHREADINFO gui = {};
  gui.cbSize = sizeof(gui);
  const DWORD tid = GetWindowThreadProcessId(window, nullptr);
  const HWND focus = GetGUIThreadInfo(tid, &gui) ? gui.hwndFocus : nullptr;
  Put("count", std::to_string(children.size()));
  int focused = -1;
  for (std::size_t i = 0; i < children.size(); ++i) {
    const Child& child = children[i];
    const std::string key = "child." + std::to_string(i) + ".";
    Put(key + "class", OneLine(child.className));
    Put(key + "id", std::to_string(child.id));
    Put(key + "text", OneLine(child.text));
    Put(key + "rect", Box(child.rect));
    Put(key + "enabled", child.enabled ? "1" : "0");
    Put(key + "visible", child.visible ? "1" : "0");
    if (child.hwnd == focus) focused = static_cast<int>(i);
  }
  Put("focus", std::to_string(focused));  // -1: none of the children
  return 0;
}

HWND FindButton(HWND window, const std::wstring& caption) {
  for (const Child& child : driver::ListChildren(window)) {
    if (child.text == caption && _wcsicmp(child.className.c_str(), L"Button") == 0) {
      return child.hwnd;
    }
  }
  return nullptr;
}

// Posts `clicks` clicks to the button in a row, without waiting for any of
// them; `many` says how many went, as click-many does.
int PostClicks(const std::wstring& caption, unsigned long clicks, bool many) {
  HWND window = driver::FindDrowsel();
  if (window == nullptr) return NoWindow();
  HWND button = FindButton(window, caption);
  if (button == nullptr) return Fail(ExitNoControl, L"no button \"" + caption + L"\"");
  // Wine runs the click of a posted BM_CLICK even on a disabled button.
  if (!IsWindowEnabled(button)) return Fail(ExitDisabled, L"\"" + caption + L"\" is disabled");
  unsigned long posted = 0;
  while (posted < clicks && PostMessageW(button, BM_CLICK, 0, 0)) ++posted;
  if (many || posted == clicks) Put("clicked", Utf8(caption));
  if (many) Put("posted", std::to_string(posted));
  if (posted != clicks) return Fail(ExitFailed, L"PostMessage failed");
  return 0;
}

int ClickMany(const std::wstring& caption, const std::wstring& count) {
  wchar_t* end = nullptr;
  const unsigned long clicks = std::wcstoul(count.c_str(), &end, 10);
  if (count.empty() || *end != L'\0' || clicks == 0) {
    return Fail(ExitFailed, L"click-many wants a count above 0");
  }
  return PostClicks(caption, clicks, true);
}

BOOL CALLBACK ListTopLevel(HWND window, LPARAM found) {
  if (!IsWindowVisible(window)) return TRUE;
  auto& windows = *reinterpret_cast<std::vector<HWND>*>(found);
  windows.push_back(window);
  return TRUE;
}

// Titles come from GetWindowTextW, which does not send a message to another
// process's top-level window, so a hung program cannot hold this up.
int Windows() {
  std::vector<HWND> windows;
  if (!EnumWindows(&ListTopLevel, reinterpret_cast<LPARAM>(&windows))) {
    return Fail(ExitFailed, L"EnumWindows failed");
  }
  for (HWND window : windows) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    wchar_t name[256] = {};
    const int nameLength = GetClassNameW(window, name, 256);
    wchar_t title[512] = {};
    const int titleLength = GetWindowTextW(window, title, 512);
    Put("hwnd", Hex(reinterpret_cast<std::uintptr_t>(window)));
    Put("pid", std::to_string(pid));
    Put("class", OneLine(std::wstring(name, static_cast<std::size_t>(std::max(nameLength, 0)))));
    Put("title", OneLine(std::wstring(title, static_cast<std::size_t>(std::max(titleLength, 0)))));
  }
  return 0;
}

int SetText(const std::wstring& key, const std::wstring& text) {
  HWND window = driver::FindDrowsel();
  if (window == nullptr) return NoWindow();
  HWND control = driver::FindChild(window, key);
  if (control == nullptr) return Fail(ExitNoControl, L"no control \"" + key + L"\"");
  if (!driver::WriteText(control, text)) return Fail(ExitFailed, L"the window did not answer");
  Put("text", OneLine(text));
  return 0;
}

int Keys(const std::wstring& keys) {
  HWND window = driver::FindDrowsel();
  if (window == nullptr) return NoWindow();
  std::wstring error;
  if (!driver::TypeKeys(window, keys, error)) return Fail(ExitFailed, error);
  Put("typed", OneLine(keys));
  return 0;
}

int Close() {
  HWND window = driver::FindDrowsel();
  if (window == nullptr) return NoWindow();
  if (!PostMessageW(window, WM_CLOSE, 0, 0)) return Fail(ExitFailed, L"PostMessage failed");
  Put("closed", "1");
  return 0;
}

// A whole number as C reads it (decimal, or hexadecimal after 0x), or the word
// `click` for the click message; false if `text` is anything else.
bool ParseNumber(const std::wstring& text, unsigned long long* value) {
  if (text == L"click") {  // the message the window queues for a click
    *value = drowsel::win32app::ClickMessage;
    return true;
  }
  wchar_t* end = nullptr;
  *value = std::wcstoull(text.c_str(), &end, 0);
  return !text.empty() && *end == L'\0';
}

// post and send: `words` are the command and the message as the command line
// gives it, its number, wParam and lParam.
int PostOrSend(const std::vector<std::wstring>& words) {
  unsigned long long values[3] = {};
  if (!ParseNumber(words[1], &values[0]) || !ParseNumber(words[2], &values[1]) ||
      !ParseNumber(words[3], &values[2]) || values[0] > 0xFFFF) {
    return Fail(ExitFailed, words[0] + L" wants a message, a wParam and an lParam");
  }
  const auto message = static_cast<UINT>(values[0]);
  const auto wParam = static_cast<WPARAM>(values[1]);
  HWND window = driver::FindDrowsel();
  if (window == nullptr) return NoWindow();
  if (words[0] == L"post") {
    if (!PostMessageW(window, message, wParam, static_cast<LPARAM>(values[2]))) {
      return Fail(ExitFailed, L"PostMessage failed");
    }
    Put("posted", "1");
    return 0;
  }
  CREATESTRUCTW create = {};
  create.lpCreateParams = reinterpret_cast<void*>(static_cast<std::uintptr_t>(values[2]));
  create.lpszName = L"";
  create.lpszClass = drowsel::win32app::FormClassName;
  const bool creation = message == WM_NCCREATE || message == WM_CREATE;
  const LPARAM sent = creation ? reinterpret_cast<LPARAM>(&create) : static_cast<LPARAM>(values[2]);
  DWORD_PTR answer = 0;
  if (!driver::SendBounded(window, message, wParam, sent, &answer)) {
    return Fail(ExitFailed, L"the window did not answer");
  }
  Put("result", Hex(answer));
  return 0;
}

int Cpu() {
  HWND window = driver::FindDrowsel();
  if (window == nullptr) return NoWindow();
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  const auto cpu = driver::CpuOfProcess(pid);
  if (!cpu) return Fail(ExitFailed, L"cannot read the threads of process " + std::to_wstring(pid));
  char seconds[32];
  std::snprintf(seconds, sizeof(seconds), "%.6f", cpu->seconds);
  Put("pid", std::to_string(pid));
  Put("threads", std::to_string(cpu->threads));
  Put("cpu", seconds);
  return 0;
}

template <typename T>
std::string Count(const std::optional<T>& count) {
  return count ? std::to_string(*count) : "unavailable";
}

int Sample() {
  HWND window = driver::FindDrowsel();
  if (window == nullptr) return NoWindow();
  DWORD pid = 0;
  if (GetWindowThreadProcessId(window, &pid) == 0) return NoWindow();  // gone meanwhile
  std::wstring error;
  const auto sample = driver::SampleProcess(pid, error);
  if (!sample) return Fail(ExitFailed, error);
  Put("pid", std::to_string(pid));
  Put("working_set", std::to_string(sample->workingSet));
  Put("private", Count(sample->privateBytes));
  Put("handles", Count(sample->handles));
  if (sample->handlesListed) Put("handles_from", "system-list");
  Put("gdi", Count(sample->gdiObjects));
  Put("user", Count(sample->userObjects));
  Put("threads", std::to_string(sample->threads));
  return 0;
}

// The chat- commands' results as exit codes, with what went wrong.
int ChatDone(driver::ChatResult result, const std::string& key, const std::string& value) {
  switch (result) {
    case driver::ChatResult::Done:
      Put(key, value);
      return 0;
    case driver::ChatResult::NoClient:
      return Fail(ExitNoWindow, L"no chat client window");
    case driver::ChatResult::NoRoom:
      return Fail(ExitNoControl, L"no such chat room");
    case driver::ChatResult::Failed:
      break;
  }
  return Fail(ExitFailed, L"the chat client did not do it");
}

// Milliseconds from the command line; nothing unless it is all digits and
// short of INFINITE, which would make a sleep or a stall last for ever.
std::optional<DWORD> Milliseconds(const std::wstring& text) {
  wchar_t* end = nullptr;
  const unsigned long value = std::wcstoul(text.c_str(), &end, 10);
  if (text.empty() || *end != L'\0' || text[0] == L'-' || value >= INFINITE) return std::nullopt;
  return static_cast<DWORD>(value);
}

int Sleep(const std::wstring& ms) {
  const auto value = Milliseconds(ms);
  if (!value) return Fail(ExitFailed, L"sleep wants milliseconds");
  ::Sleep(*value);
  return 0;
}

int ChatStall(const std::wstring& ms) {
  const auto value = Milliseconds(ms);
  if (!value) return Fail(ExitFailed, L"chat-stall wants milliseconds");
  return ChatDone(driver::StallChat(*value), "stall", std::to_string(*value));
}

int RunShown(const std::wstring& show, const std::wstring& program) {
  unsigned long long command = 0;
  if (!ParseNumber(show, &command) || command > 0xFFFF) {
    return Fail(ExitFailed, L"run-shown wants a show command and a program");
  }
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(command);
  PROCESS_INFORMATION started = {};
  std::wstring line = L"\"" + program + L"\"";
  if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &started)) {
    return Fail(ExitFailed, L"cannot start " + program);
  }
  const drowsel::win32host::ScopedHandle process(started.hProcess), thread(started.hThread);
  Put("pid", std::to_string(started.dwProcessId));
  std::fflush(stdout);
  DWORD code = 0;
  if (WaitForSingleObject(process.get(), INFINITE) != WAIT_OBJECT_0 ||
      !GetExitCodeProcess(process.get(), &code)) {
    return Fail(ExitFailed, L"cannot wait for " + program);
  }
  Put("exit", std::to_string(code));
  return 0;
}

int Usage() {
  return Fail(ExitFailed,
              L"usage: drowsel-driver find | controls | cpu | sample | close | windows"
              L" | click CAPTION | click-many CAPTION N | set-text CAPTION_OR_ID TEXT | keys KEYS"
              L" | post MESSAGE WPARAM LPARAM | send MESSAGE WPARAM LPARAM | sleep MS"
              L" | chat-front ROOM | chat-stall MS | chat-close | run-shown SHOW PROGRAM"
              L"  [then COMMAND...]");
}

int Run(const std::vector<std::wstring>& words) {
  if (words.empty()) return Usage();
  const std::wstring& command = words[0];
  const std::size_t arguments = words.size() - 1;
  if (command == L"find" && arguments == 0) return Find();
  if (command == L"controls" && arguments == 0) return Controls();
  if (command == L"cpu" && arguments == 0) return Cpu();
  if (command == L"sample" && arguments == 0) return Sample();
  if (command == L"close" && arguments == 0) return Close();
  if (command == L"windows" && arguments == 0) return Windows();
  if (command == L"click" && arguments == 1) return PostClicks(words[1], 1, false);
  if (command == L"click-many" && arguments == 2) return ClickMany(words[1], words[2]);
  if (command == L"set-text" && arguments == 2) return SetText(words[1], words[2]);
  if (command == L"keys" && arguments == 1) return Keys(words[1]);
  if ((command == L"post" || command == L"send") && arguments == 3) return PostOrSend(words);
  if (command == L"sleep" && arguments == 1) return Sleep(words[1]);
  if (command == L"chat-front" && arguments == 1) {
    return ChatDone(driver::BringRoomForward(words[1]), "front", Utf8(words[1]));
  }
  if (command == L"chat-stall" && arguments == 1) return ChatStall(words[1]);
  if (command == L"run-shown" && arguments == 2) return RunShown(words[1], words[2]);
  if (command == L"chat-close" && arguments == 0) {
    return ChatDone(driver::CloseChat(), "closed", "1");
  }
  return Usage();
}

// Runs commands joined by "then", stopping at the first that fails.
int RunChain(const std::vector<std::wstring>& args) {
  std::vector<std::wstring> words;
  for (std::size_t i = 0; i <= args.size(); ++i) {
    if (i < args.size() && args[i] != L"then") {
      words.push_back(args[i]);
      continue;
    }
    const int code = Run(words);
    std::fflush(stdout);
    if (code != 0) return code;
    words.clear();
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::vector<std::wstring> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == L"serve") return driver::Serve(&RunChain);
  return RunChain(args);
}
