// HostServices on Win32: the user interface, kernel and shell functions, the
// clock and the message pump, the conversions, and the window's controls
// through whatever window the program gives it.
#pragma once

#include <windows.h>

#include "host/host_services.h"

namespace drowsel::win32host {

class Win32Host final : public HostServices {
 public:
  // The program's window: its controls are the logic's, and the message loop
  // gives it the dialog keys (Tab, the arrows). Null for a tool with no window.
  explicit Win32Host(FormControls* form);

  // The top-level message loop; returns the program's exit code.
  int RunMessageLoop();

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
  std::uint32_t GetCurrentProcessId() override;

  double Timer() override;
  bool DoEvents() override;
  void MsgWaitForMultipleObjectsEx(std::uint32_t timeoutMs) override;

  bool FormExists() override;
  WindowHandle FormHandle() override;
  void UnloadForm() override;
  bool IsEnabled(Control control) override;
  void SetEnabled(Control control, bool enabled) override;
  std::u16string GetText(Control control) override;
  void SetText(Control control, std::u16string_view text) override;

  double VarR8FromStr(std::u16string_view text) override;
  std::u16string VarBstrFromR8(double value) override;

  using GetTimeFn = void(WINAPI*)(LPFILETIME);

 private:
  void Dispatch(MSG& message);

  FormControls* form_;
  GetTimeFn systemTime_;
  bool quitRequested_ = false;
};

}  // namespace drowsel::win32host
