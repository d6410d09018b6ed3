// HostServices on Win32: the user interface, kernel and shell functions, the
// clock and the message pump. The window's controls are the window's own.
#pragma once

#include <windows.h>

#include "host/host_services.h"
#include "host/win32/scoped.h"

namespace drowsel::win32host {

class Win32Host final : public HostServices {
 public:
  Win32Host();

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
  bool Quitting() override { return quitRequested_; }

  using GetTimeFn = void(WINAPI*)(LPFILETIME);
  using FindExecutableFn = HINSTANCE(WINAPI*)(LPCSTR, LPCSTR, LPSTR);

 private:
  GetTimeFn systemTime_;
  bool quitRequested_ = false;
  // The shell's library, loaded when it is first needed: most runs never ask
  // it anything, and loading it brings several more libraries along.
  ScopedLibrary shell_;
  FindExecutableFn findExecutable_ = nullptr;
};

}  // namespace drowsel::win32host
