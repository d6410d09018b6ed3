// The one seam between Drowsel's logic and the platform. The Win32 host in
// host/win32/ is the real implementation; the unit tests use a scripted fake.
//
// Win32 functions keep their Win32 names and argument order, with portable
// types: a window handle is an integer, text is UTF-16 (the Win32 host turns it
// into the ANSI code page at the boundary). The runtime services (clock, event
// pump, the window's controls) are what the window's handlers need besides.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "host/control.h"

namespace drowsel {

using WindowHandle = std::uintptr_t;
using KernelHandle = std::uintptr_t;

inline constexpr WindowHandle NoWindow = 0;

// Message numbers and flags, with their Win32 values (named apart from the
// macros that <windows.h> defines for them).
inline constexpr std::uint32_t WmSetText = 0x000C;
inline constexpr std::uint32_t WmGetText = 0x000D;
inline constexpr std::uint32_t WmGetTextLength = 0x000E;
inline constexpr std::uint32_t EmGetSel = 0x00B0;
inline constexpr std::uint32_t EmSetSel = 0x00B1;
inline constexpr std::uint32_t WmNcLButtonDown = 0x00A1;
inline constexpr std::uint32_t WmChar = 0x0102;
inline constexpr std::uintptr_t HtCaption = 2;
inline constexpr WindowHandle HwndTopmost = static_cast<WindowHandle>(-1);
inline constexpr std::uint32_t SwpNoSize = 0x0001;
inline constexpr std::uint32_t SwpNoMove = 0x0002;
inline constexpr std::uint32_t SmtoNormal = 0x0000;
inline constexpr std::uint32_t SmtoAbortIfHung = 0x0002;
inline constexpr std::uint32_t StartfUseShowWindow = 0x0001;
inline constexpr std::uint16_t SwShowNormal = 1;
inline constexpr std::uint32_t NormalPriorityClass = 0x0020;
inline constexpr KernelHandle InvalidHandleValue = static_cast<KernelHandle>(-1);

// What a message's lParam carries. Text travels as UTF-16 here; the Win32 host
// converts it to the ANSI code page for the ANSI messages.
struct TextIn {
  std::u16string_view text;  // a string the receiver reads (WM_SETTEXT)
};
// A buffer the receiver fills (WM_GETTEXT; wParam is its size). Text is read
// back through the Unicode messages only; an ANSI one is not sent with it.
struct TextOut {
  std::u16string text;
};
using LParam = std::variant<std::intptr_t, TextIn, TextOut*>;

// The fields of a process start record that the caller sets; the host fills
// in the record's size for the build it runs.
struct StartupInfo {
  std::uint32_t dwFlags = 0;
  std::uint16_t wShowWindow = 0;
};
struct ProcessInformation {
  KernelHandle hProcess = 0;
  KernelHandle hThread = 0;
};

// The seam is cut into roles, so that a routine asks for no more than it uses
// and a stand-in for one role implements only that role. HostServices is the
// platform's roles together; the window's handlers are given it and the
// window's controls, which the window itself provides.

// Win32 code page functions: text to and from the ANSI code page, as every A
// function of the roles below converts it (best fit, then '?' for a character
// the code page has nothing close to).
class CodePageFunctions {
 public:
  virtual ~CodePageFunctions() = default;
  virtual std::string WideCharToMultiByte(std::u16string_view text) = 0;
  virtual std::u16string MultiByteToWideChar(std::string_view text) = 0;
};

// The text as it comes back after going through the ANSI code page: what an
// ANSI window holds of it, or the name an A function really uses.
inline std::u16string ThroughAnsiCodePage(CodePageFunctions& codePage, std::u16string_view text) {
  return codePage.MultiByteToWideChar(codePage.WideCharToMultiByte(text));
}

// Win32 user interface functions: the chat client's windows, and our own
// window's place on the screen.
class WindowFunctions : public virtual CodePageFunctions {
 public:
  virtual ~WindowFunctions() = default;
  // A null class or window name matches any.
  virtual WindowHandle FindWindowA(const char16_t* className, const char16_t* windowName) = 0;
  virtual WindowHandle FindWindowExA(WindowHandle parent, WindowHandle childAfter,
                                     const char16_t* className, const char16_t* windowName) = 0;
  virtual std::intptr_t SendMessageA(WindowHandle window, std::uint32_t message,
                                     std::uintptr_t wParam, LParam lParam) = 0;
  // False when the send failed or timed out; otherwise *result holds the answer.
  virtual bool SendMessageTimeoutA(WindowHandle window, std::uint32_t message,
                                   std::uintptr_t wParam, LParam lParam, std::uint32_t flags,
                                   std::uint32_t timeoutMs, std::intptr_t* result) = 0;
  // The same with the Unicode message: text travels as UTF-16 all the way, and
  // the system converts it for an ANSI window. Ask text lengths this way: Wine
  // answers an ANSI WM_GETTEXTLENGTH to another process by fetching the whole
  // text first, outside the timeout.
  virtual bool SendMessageTimeoutW(WindowHandle window, std::uint32_t message,
                                   std::uintptr_t wParam, LParam lParam, std::uint32_t flags,
                                   std::uint32_t timeoutMs, std::intptr_t* result) = 0;
  virtual bool ReleaseCapture() = 0;
  virtual bool SetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int cx,
                            int cy, std::uint32_t flags) = 0;
  // The kernel's wait and tick count, for waiting on another program's window
  // without running our own handlers meanwhile. The tick count wraps to 0
  // every 49.7 days: measure spans as unsigned differences, which stay right
  // across the wrap.
  virtual void Sleep(std::uint32_t milliseconds) = 0;
  virtual std::uint32_t GetTickCount() = 0;
};

// Win32 kernel and shell functions: files in the temporary folder, the
// program the shell associates with a file, and starting it.
class ShellFunctions : public virtual CodePageFunctions {
 public:
  virtual ~ShellFunctions() = default;
  // Fills `buffer` with bufferLength characters: the temporary folder, ending
  // in a backslash, then a NUL. Returns the path's length, the size needed
  // (NUL included) when bufferLength is too small, or 0 on failure.
  virtual std::uint32_t GetTempPathW(std::uint32_t bufferLength, std::u16string& buffer) = 0;
  // The short (8.3) form of an existing path, the same way round: its length,
  // the size needed, or 0. A name with no short form comes back as it is.
  virtual std::uint32_t GetShortPathNameW(const std::u16string& longPath,
                                          std::uint32_t bufferLength, std::u16string& buffer) = 0;
  // The program associated with the file's type, into `result` (up to a NUL);
  // returns the shell's result code, 32 or more on success.
  virtual std::intptr_t FindExecutableA(const std::u16string& file, const std::u16string& directory,
                                        std::u16string& result) = 0;
  // Starts a program with no security attributes, environment or current
  // folder of its own. The process and thread handles land in `process`.
  virtual bool CreateProcessA(const std::u16string& applicationName,
                              const std::u16string& commandLine, bool inheritHandles,
                              std::uint32_t creationFlags, const StartupInfo& startup,
                              ProcessInformation& process) = 0;
  virtual bool CloseHandle(KernelHandle handle) = 0;
  // Creates a new empty file for writing, failing if one of that name exists
  // (CREATE_NEW). InvalidHandleValue on failure.
  virtual KernelHandle CreateFileA(const std::u16string& path) = 0;
  virtual bool DeleteFileA(const std::u16string& path) = 0;
  virtual std::uint32_t GetCurrentProcessId() = 0;
};

// The runtime's clock and event pump.
class EventPump {
 public:
  virtual ~EventPump() = default;
  // Seconds since local midnight, with a fraction; back to 0 at midnight.
  virtual double Timer() = 0;
  // Handles every pending window message to completion, then returns. False
  // when the program is ending: a quit request was met (the window posts one
  // as it goes).
  virtual bool DoEvents() = 0;
  // Sleeps until input arrives for the window or timeoutMs have passed.
  virtual void MsgWaitForMultipleObjectsEx(std::uint32_t timeoutMs) = 0;
  // True once DoEvents has met a quit request.
  virtual bool Quitting() = 0;
};

// The window and its controls.
class FormControls {
 public:
  virtual ~FormControls() = default;
  // False once the window is gone.
  virtual bool FormExists() = 0;
  // The window's handle; no window once it is gone.
  virtual WindowHandle FormHandle() = 0;
  // Destroys the window; the program ends with it.
  virtual void UnloadForm() = 0;
  // Enabled flag of a button, the text box or the timer (a disabled timer does not tick).
  virtual bool IsEnabled(Control control) = 0;
  virtual void SetEnabled(Control control, bool enabled) = 0;
  // Caption of a button or label, text of the text box.
  virtual std::u16string GetText(Control control) = 0;
  virtual void SetText(Control control, std::u16string_view text) = 0;
};

class HostServices : public WindowFunctions, public ShellFunctions, public EventPump {};

}  // namespace drowsel
