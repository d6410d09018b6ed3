// Drowsel's window: built from the layout table, it turns Win32 messages into
// the window's events, and it is the window and controls the logic sees: the
// one owner of both.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "app/form1_layout.h"
#include "app/win32/picture.h"
#include "host/control.h"
#include "host/host_services.h"
#include "host/win32/scoped.h"

namespace drowsel::win32app {

class FormWindow final : public FormControls {
 public:
  FormWindow(HINSTANCE instance, const FormLayout& layout);
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;
  ~FormWindow() override;

  // Creates the window, hidden, with every control in place. False when the
  // platform refused to make it.
  bool Create(FormEvents& events);
  void Show(int showCommand);

  // The window and its controls. Harmless no-ops once the window is gone.
  bool FormExists() override;
  WindowHandle FormHandle() override;
  void UnloadForm() override;
  bool IsEnabled(Control control) override;
  void SetEnabled(Control control, bool enabled) override;
  std::u16string GetText(Control control) override;
  void SetText(Control control, std::u16string_view text) override;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT OnNcCreate(HWND hwnd, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

  void CreateControls();
  void ArrangeTabOrder();
  // Sizes the window from the layout at the current DPI and puts its outer
  // top-left corner at `topLeft` (null: the design placement), moved onto the
  // work area where it would reach past it.
  void PlaceWindow(const POINT* topLeft);
  void PlaceControls();
  void UpdateFont();
  HWND ControlWindow(Control control) const;
  const ControlLayout* LayoutOfWindow(HWND window) const;

  void OnPaint();
  LRESULT OnControlColor(UINT message, HDC dc, HWND control);
  void OnCommand(WPARAM wParam, LPARAM lParam);
  void OnQueuedClick(WPARAM controlId);
  void OnTimer(WPARAM id, LPARAM callback);
  void OnMouseDown(LPARAM position);
  void OnActivate(WPARAM wParam);
  void OnDpiChanged(WPARAM wParam, LPARAM lParam);
  LRESULT OnNcDestroy(WPARAM wParam, LPARAM lParam);

  HINSTANCE instance_;
  const FormLayout& layout_;
  FormEvents* events_ = nullptr;
  HWND hwnd_ = nullptr;
  // By Control, one for each row of the layout: its window and its fixed background's brush.
  std::vector<HWND> controls_;
  std::vector<win32host::ScopedGdi<HBRUSH>> backgrounds_;
  bool timerEnabled_ = false;
  bool destroying_ = false;  // inside UnloadForm's DestroyWindow
  int dpi_ = 96;
  HWND focusBeforeDeactivate_ = nullptr;
  Picture picture_;
  win32host::ScopedGdi<HPEN> linePen_;
  win32host::ScopedGdi<HFONT> font_;
};

}  // namespace drowsel::win32app
