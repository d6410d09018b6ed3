#include "host/win32/win32_host.h"

#include <shellapi.h>

#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "host/win32/ansi_text.h"
#include "host/win32/newer_messages.h"

namespace drowsel::win32host {
namespace {

HWND ToHwnd(WindowHandle handle) {
  return reinterpret_cast<HWND>(handle);
}
WindowHandle FromHwnd(HWND hwnd) {
  return reinterpret_cast<WindowHandle>(hwnd);
}

// A class or window name for the ANSI functions; null stays null.
struct AnsiName {
  explicit AnsiName(const char16_t* name) {
    if (name != nullptr) text = ToAnsi(name);
  }
  const char* get() const { return text ? text->c_str() : nullptr; }
  std::optional<std::string> text;
};

// The two ways text crosses the boundary: the code page for the ANSI
// messages, UTF-16 as it is for the Unicode ones.
struct AnsiText {
  using Char = char;
  static constexpr bool Reads = false;
  static std::string To(std::u16string_view text) { return ToAnsi(text); }
};
struct WideText {
  using Char = wchar_t;
  static constexpr bool Reads = true;
  static std::wstring To(std::u16string_view text) { return ToWide(text); }
  static std::u16string From(std::wstring_view text) { return FromWide(text); }
};

// An lParam made ready for a message of that kind: the text converted, or a
// buffer of wParam characters that the receiver fills (Unicode only).
template <typename Text>
class MessageLParam {
  using Char = typename Text::Char;

 public:
  MessageLParam(std::uintptr_t wParam, const LParam& lParam) : lParam_(lParam) {
    if (const auto* value = std::get_if<std::intptr_t>(&lParam)) {
      raw_ = *value;
    } else if (const auto* in = std::get_if<TextIn>(&lParam)) {
      text_ = Text::To(in->text);
      raw_ = reinterpret_cast<LPARAM>(text_.c_str());
    } else if constexpr (Text::Reads) {
      buffer_.assign(wParam > 0 ? wParam : 1, Char{});
      raw_ = reinterpret_cast<LPARAM>(buffer_.data());
    }
  }
  // False for a buffer on a message that does not read text back.
  bool sendable() const { return Text::Reads || !std::holds_alternative<TextOut*>(lParam_); }
  LPARAM raw() const { return raw_; }
  // Hands a filled buffer back as UTF-16.
  void Finish() {
    if constexpr (Text::Reads) {
      if (auto* out = std::get_if<TextOut*>(&lParam_)) {
        buffer_.back() = Char{};  // a receiver that filled it whole still ends here
        (*out)->text = Text::From(std::basic_string_view<Char>(buffer_.data()));
      }
    }
  }

 private:
  LParam lParam_;
  LPARAM raw_ = 0;
  std::basic_string<Char> text_;
  std::vector<Char> buffer_;
};
using AnsiLParam = MessageLParam<AnsiText>;

using SendMessageTimeoutFn = LRESULT(WINAPI*)(HWND, UINT, WPARAM, LPARAM, UINT, UINT, PDWORD_PTR);

// One bounded send, ANSI or Unicode by `Text`: false when it failed or timed
// out, otherwise the answer in *result and any text the receiver filled in.
template <typename Text>
bool SendBounded(SendMessageTimeoutFn send, WindowHandle window, std::uint32_t message,
                 std::uintptr_t wParam, const LParam& lParam, std::uint32_t flags,
                 std::uint32_t timeoutMs, std::intptr_t* result) {
  MessageLParam<Text> text(wParam, lParam);
  if (!text.sendable()) return false;
  DWORD_PTR answer = 0;
  if (send(ToHwnd(window), message, wParam, text.raw(), flags, timeoutMs, &answer) == 0) {
    return false;
  }
  text.Finish();
  *result = static_cast<std::intptr_t>(answer);
  return true;
}

// Messages that the system only ever sends. A posted copy is another
// program's, and whatever it carries (a pointer in lParam, the end of a
// window's life) is not true.
bool OnlyEverSent(UINT message) {
  switch (message) {
    case WM_NCCREATE:
    case WM_CREATE:
    case WM_DESTROY:
    case WM_NCDESTROY:
    case WmDpiChanged:
      return true;
    default:
      return false;
  }
}

// No program on this host sets a timer with a callback, so a WM_TIMER that
// names one is not from any timer of ours; Wine's DispatchMessage would call
// whatever address it holds.
bool ForeignTimerCallback(const MSG& message) {
  return message.message == WM_TIMER && message.lParam != 0;
}

void Dispatch(MSG& message) {
  if (OnlyEverSent(message.message) || ForeignTimerCallback(message)) return;
  // Tab, Shift+Tab and the arrow keys move between the controls of a window
  // that holds them (WS_EX_CONTROLPARENT). (It dispatches the window's other
  // messages itself, hence the check first.)
  HWND top = message.hwnd != nullptr ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
  if (top != nullptr && (GetWindowLongPtrW(top, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) != 0 &&
      IsDialogMessageW(top, &message)) {
    return;
  }
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

Win32Host::GetTimeFn PreciseSystemTime() {
  // The precise clock exists from Windows 8 on; older systems have the coarse one.
  auto precise = reinterpret_cast<Win32Host::GetTimeFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetSystemTimePreciseAsFileTime")));
  return precise != nullptr ? precise : &GetSystemTimeAsFileTime;
}

}  // namespace

static_assert(std::is_same_v<Win32Host::FindExecutableFn, decltype(&::FindExecutableA)>);

Win32Host::Win32Host() : systemTime_(PreciseSystemTime()) {}

// --- Win32 functions ---

WindowHandle Win32Host::FindWindowA(const char16_t* className, const char16_t* windowName) {
  const AnsiName cls(className), name(windowName);
  return FromHwnd(::FindWindowA(cls.get(), name.get()));
}

WindowHandle Win32Host::FindWindowExA(WindowHandle parent, WindowHandle childAfter,
                                      const char16_t* className, const char16_t* windowName) {
  const AnsiName cls(className), name(windowName);
  return FromHwnd(::FindWindowExA(ToHwnd(parent), ToHwnd(childAfter), cls.get(), name.get()));
}

std::intptr_t Win32Host::SendMessageA(WindowHandle window, std::uint32_t message,
                                      std::uintptr_t wParam, LParam lParam) {
  AnsiLParam ansi(wParam, lParam);
  if (!ansi.sendable()) return 0;
  const LRESULT result = ::SendMessageA(ToHwnd(window), message, wParam, ansi.raw());
  ansi.Finish();
  return result;
}

bool Win32Host::SendMessageTimeoutA(WindowHandle window, std::uint32_t message,
                                    std::uintptr_t wParam, LParam lParam, std::uint32_t flags,
                                    std::uint32_t timeoutMs, std::intptr_t* result) {
  return SendBounded<AnsiText>(&::SendMessageTimeoutA, window, message, wParam, lParam, flags,
                               timeoutMs, result);
}

bool Win32Host::SendMessageTimeoutW(WindowHandle window, std::uint32_t message,
                                    std::uintptr_t wParam, LParam lParam, std::uint32_t flags,
                                    std::uint32_t timeoutMs, std::intptr_t* result) {
  return SendBounded<WideText>(&::SendMessageTimeoutW, window, message, wParam, lParam, flags,
                               timeoutMs, result);
}

bool Win32Host::ReleaseCapture() {
  return ::ReleaseCapture() != FALSE;
}

bool Win32Host::SetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int cx,
                             int cy, std::uint32_t flags) {
  return ::SetWindowPos(ToHwnd(window), ToHwnd(insertAfter), x, y, cx, cy, flags) != FALSE;
}

void Win32Host::Sleep(std::uint32_t milliseconds) {
  ::Sleep(milliseconds);
}

std::uint32_t Win32Host::GetTickCount() {
  return ::GetTickCount();
}

// --- code page functions ---

std::string Win32Host::WideCharToMultiByte(std::u16string_view text) {
  return ToAnsi(text);
}

std::u16string Win32Host::MultiByteToWideChar(std::string_view text) {
  return FromAnsi(text);
}

// --- kernel and shell functions ---

std::uint32_t Win32Host::GetTempPathW(std::uint32_t bufferLength, std::u16string& buffer) {
  std::wstring wide(bufferLength, L' ');
  const DWORD result = ::GetTempPathW(bufferLength, bufferLength > 0 ? wide.data() : nullptr);
  buffer = FromWide(wide);  // the whole buffer, NUL and what follows it included
  return result;
}

std::uint32_t Win32Host::GetShortPathNameW(const std::u16string& longPath,
                                           std::uint32_t bufferLength, std::u16string& buffer) {
  std::wstring wide(bufferLength, L' ');
  const DWORD result = ::GetShortPathNameW(ToWide(longPath).c_str(),
                                           bufferLength > 0 ? wide.data() : nullptr, bufferLength);
  buffer = FromWide(wide);
  return result;
}

std::intptr_t Win32Host::FindExecutableA(const std::u16string& file,
                                         const std::u16string& directory, std::u16string& result) {
  if (findExecutable_ == nullptr) {
    // LoadLibraryW and GetProcAddress are on every Windows we run on, and the
    // shell's library is one the system always takes from its own folder.
    if (shell_.get() == nullptr) shell_.reset(LoadLibraryW(L"shell32.dll"));
    if (shell_.get() == nullptr) return 0;  // the shell's own answer when out of resources
    findExecutable_ = reinterpret_cast<FindExecutableFn>(
        reinterpret_cast<void*>(GetProcAddress(shell_.get(), "FindExecutableA")));
    if (findExecutable_ == nullptr) return 0;
  }
  char found[MAX_PATH + 1] = {};  // the size the function expects, and a NUL to spare
  const HINSTANCE code = findExecutable_(ToAnsi(file).c_str(), ToAnsi(directory).c_str(), found);
  result = FromAnsi(std::string_view(found));
  return reinterpret_cast<std::intptr_t>(code);
}

bool Win32Host::CreateProcessA(const std::u16string& applicationName,
                               const std::u16string& commandLine, bool inheritHandles,
                               std::uint32_t creationFlags, const StartupInfo& startup,
                               ProcessInformation& process) {
  STARTUPINFOA info = {};
  info.cb = sizeof(info);  // the record's size in this build, 32-bit or 64-bit
  info.dwFlags = startup.dwFlags;
  info.wShowWindow = startup.wShowWindow;
  PROCESS_INFORMATION started = {};
  std::string line = ToAnsi(commandLine);  // the function may write into it
  const BOOL created = ::CreateProcessA(ToAnsi(applicationName).c_str(), line.data(), nullptr,
                                        nullptr, inheritHandles ? TRUE : FALSE, creationFlags,
                                        nullptr, nullptr, &info, &started);
  process.hProcess = reinterpret_cast<KernelHandle>(started.hProcess);
  process.hThread = reinterpret_cast<KernelHandle>(started.hThread);
  return created != FALSE;
}

bool Win32Host::CloseHandle(KernelHandle handle) {
  return ::CloseHandle(reinterpret_cast<HANDLE>(handle)) != FALSE;
}

KernelHandle Win32Host::CreateFileA(const std::u16string& path) {
  const HANDLE file = ::CreateFileA(ToAnsi(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  return reinterpret_cast<KernelHandle>(file);  // INVALID_HANDLE_VALUE matches ours
}

bool Win32Host::DeleteFileA(const std::u16string& path) {
  return ::DeleteFileA(ToAnsi(path).c_str()) != FALSE;
}

std::uint32_t Win32Host::GetCurrentProcessId() {
  return ::GetCurrentProcessId();
}

// --- clock and pump ---

double Win32Host::Timer() {
  FILETIME utc, local;
  systemTime_(&utc);
  if (!FileTimeToLocalFileTime(&utc, &local)) local = utc;
  ULARGE_INTEGER ticks;  // 100 ns units
  ticks.LowPart = local.dwLowDateTime;
  ticks.HighPart = local.dwHighDateTime;
  constexpr ULONGLONG TicksPerDay = 86400ULL * 10000000ULL;
  return static_cast<double>(ticks.QuadPart % TicksPerDay) / 1e7;
}

bool Win32Host::DoEvents() {
  if (quitRequested_) return false;
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Put it back for the loop that owns it, and end every pause on the way.
      quitRequested_ = true;
      PostQuitMessage(static_cast<int>(message.wParam));
      return false;
    }
    Dispatch(message);
  }
  return true;
}

void Win32Host::MsgWaitForMultipleObjectsEx(std::uint32_t timeoutMs) {
  // Wakes for input that arrives during the wait and for input already queued
  // but not yet looked at. The result only says which; the caller re-checks.
  ::MsgWaitForMultipleObjectsEx(0, nullptr, timeoutMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

int Win32Host::RunMessageLoop() {
  MSG message;
  for (;;) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(message.wParam);
    if (got == -1) return 1;
    Dispatch(message);
  }
}

}  // namespace drowsel::win32host
