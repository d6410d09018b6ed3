// A HostServices that hands every call on to another one, for the benchmark
// programs to put a stopwatch or a counter on the calls they look at.
#pragma once

#include "host/host_services.h"

namespace bench {

class ForwardingHost : public drowsel::HostServices {
 public:
  explicit ForwardingHost(drowsel::HostServices& host) : host_(host) {}

  using WindowHandle = drowsel::WindowHandle;
  using KernelHandle = drowsel::KernelHandle;
  using LParam = drowsel::LParam;
  using Control = drowsel::Control;

  WindowHandle FindWindowA(const char16_t* className, const char16_t* windowName) override {
    return host_.FindWindowA(className, windowName);
  }
  WindowHandle FindWindowExA(WindowHandle parent, WindowHandle childAfter,
                             const char16_t* className, const char16_t* windowName) override {
    return host_.FindWindowExA(parent, childAfter, className, windowName);
  }
  std::intptr_t SendMessageA(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                             LParam lParam) override {
    return host_.SendMessageA(window, message, wParam, lParam);
  }
  bool SendMessageTimeoutA(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                           LParam lParam, std::uint32_t flags, std::uint32_t timeoutMs,
                           std::intptr_t* result) override {
    return host_.SendMessageTimeoutA(window, message, wParam, lParam, flags, timeoutMs, result);
  }
  bool ReleaseCapture() override { return host_.ReleaseCapture(); }
  bool SetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int cx, int cy,
                    std::uint32_t flags) override {
    return host_.SetWindowPos(window, insertAfter, x, y, cx, cy, flags);
  }
  std::uint32_t GetTempPathA(std::uint32_t bufferLength, std::u16string& buffer) override {
    return host_.GetTempPathA(bufferLength, buffer);
  }
  std::intptr_t FindExecutableA(const std::u16string& file, const std::u16string& directory,
                                std::u16string& result) override {
    return host_.FindExecutableA(file, directory, result);
  }
  bool CreateProcessA(const std::u16string& applicationName, const std::u16string& commandLine,
                      bool inheritHandles, std::uint32_t creationFlags,
                      const drowsel::StartupInfo& startup,
                      drowsel::ProcessInformation& process) override {
    return host_.CreateProcessA(applicationName, commandLine, inheritHandles, creationFlags,
                                startup, process);
  }
  bool CloseHandle(KernelHandle handle) override { return host_.CloseHandle(handle); }
  KernelHandle CreateFileA(const std::u16string& path) override { return host_.CreateFileA(path); }
  bool DeleteFileA(const std::u16string& path) override { return host_.DeleteFileA(path); }
  std::uint32_t GetCurrentProcessId() override { return host_.GetCurrentProcessId(); }
  double Timer() override { return host_.Timer(); }
  bool DoEvents() override { return host_.DoEvents(); }
  void MsgWaitForMultipleObjectsEx(std::uint32_t timeoutMs) override {
    host_.MsgWaitForMultipleObjectsEx(timeoutMs);
  }
  bool FormExists() override { return host_.FormExists(); }
  WindowHandle FormHandle() override { return host_.FormHandle(); }
  void UnloadForm() override { host_.UnloadForm(); }
  bool IsEnabled(Control control) override { return host_.IsEnabled(control); }
  void SetEnabled(Control control, bool enabled) override { host_.SetEnabled(control, enabled); }
  std::u16string GetText(Control control) override { return host_.GetText(control); }
  void SetText(Control control, std::u16string_view text) override { host_.SetText(control, text); }
  double VarR8FromStr(std::u16string_view text) override { return host_.VarR8FromStr(text); }
  std::u16string VarBstrFromR8(double value) override { return host_.VarBstrFromR8(value); }

 protected:
  drowsel::HostServices& host_;
};

}  // namespace bench
