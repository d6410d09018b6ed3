#include "app/win32/form_window.h"

#include <windowsx.h>

#include <algorithm>
#include <climits>
#include <optional>
#include <vector>

#include "app/win32/default_button.h"
#include "app/win32/form_messages.h"
#include "desktop/dpi_change.h"
#include "desktop/fit_in_work_area.h"
#include "host/win32/ansi_text.h"
#include "host/win32/newer_messages.h"
#include "resource_ids.h"

// ShowWindow, EnableWindow and SetFocus answer with what was there before,
// not with success or failure, so their results go unread.

namespace drowsel::win32app {

using win32host::FromWide;
using win32host::ScopedSelect;
using win32host::ToWide;
using win32host::WmDpiChanged;

namespace {

constexpr UINT_PTR TimerId = 1;
constexpr int FirstControlId = 100;  // clear of IDOK and IDCANCEL

int ControlIndex(Control control) {
  return static_cast<int>(control);
}

COLORREF ToColorRef(const Color& color) {
  if (color.source == Color::Source::SystemWindowText) return GetSysColor(COLOR_WINDOWTEXT);
  return RGB(color.rgb.r, color.rgb.g, color.rgb.b);
}

// The system DPI: what the screen's device context reports, and what the
// fonts the system hands out are sized for.
int SystemDpi() {
  const win32host::ScopedGetDC screen(nullptr);
  const int dpi = screen.get() != nullptr ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
  return dpi > 0 ? dpi : 96;
}

// The window's DPI as the platform reports it, where it has GetDpiForWindow
// (Windows 10 1607 on); nothing elsewhere.
std::optional<int> PlatformDpiOf(HWND hwnd) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto PlatformGetDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (PlatformGetDpiForWindow == nullptr) return std::nullopt;
  const UINT dpi = PlatformGetDpiForWindow(hwnd);
  if (dpi == 0) return std::nullopt;
  return static_cast<int>(dpi);
}

// The window's DPI where the platform knows per-monitor DPI, the system's otherwise.
int DpiOf(HWND hwnd) {
  return PlatformDpiOf(hwnd).value_or(SystemDpi());
}

// The work area of the monitor nearest to `rect`; false when the platform
// cannot say, and then the window keeps the place it was given.
bool WorkAreaNear(const RECT& rect, PixelRect* workArea) {
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  if (!GetMonitorInfoW(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), &monitor)) return false;
  *workArea = {monitor.rcWork.left, monitor.rcWork.top, monitor.rcWork.right,
               monitor.rcWork.bottom};
  return true;
}

struct ControlClass {
  const wchar_t* className;
  DWORD style;
};

ControlClass ClassFor(ControlKind kind) {
  switch (kind) {
    case ControlKind::Button:
      return {L"BUTTON", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON};
    case ControlKind::TextBox:
      return {L"EDIT", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL};
    case ControlKind::Label:
      // SS_NOTIFY makes a label take its own mouse presses instead of passing
      // them through to the window, where they would start a move.
      return {L"STATIC", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOTIFY};
    case ControlKind::Timer:
      break;
  }
  return {nullptr, 0};
}

}  // namespace

FormWindow::FormWindow(HINSTANCE instance, const FormLayout& layout)
    : instance_(instance),
      layout_(layout),
      controls_(layout.controls.size()),
      backgrounds_(layout.controls.size()) {}

FormWindow::~FormWindow() {
  UnloadForm();
}

bool FormWindow::Create(FormEvents& events) {
  events_ = &events;
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = &FormWindow::WindowProc;
  windowClass.hInstance = instance_;
  windowClass.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(IDI_DROWSEL));
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  windowClass.lpszClassName = FormClassName;
  if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    return false;
  }

  // No title bar: the window moves by dragging its surface. WS_SYSMENU and
  // WS_MINIMIZEBOX give its task bar button the usual menu.
  const std::wstring caption = ToWide(layout_.caption);
  HWND created =
      CreateWindowExW(WS_EX_APPWINDOW | WS_EX_CONTROLPARENT, FormClassName, caption.c_str(),
                      WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN, 0, 0, 0, 0, nullptr,
                      nullptr, instance_, this);
  if (created == nullptr) return false;

  dpi_ = DpiOf(hwnd_);
  picture_ = LoadBitmapResource(instance_, IDB_BACKGROUND);
  linePen_.reset(
      CreatePen(PS_SOLID, 1, RGB(layout_.lineColor.r, layout_.lineColor.g, layout_.lineColor.b)));
  CreateControls();
  ArrangeTabOrder();
  UpdateFont();
  PlaceWindow(nullptr);  // the design placement
  PlaceControls();
  return true;
}

void FormWindow::Show(int showCommand) {
  if (hwnd_ == nullptr) return;
  // The window has its layout's size, whatever the start asked for: a start
  // maximised (a shortcut's "Run: Maximized") would cover the screen, above
  // everything, and a hidden one would run on with no window to stop it, so
  // both open it normally. Minimised is honoured: the user asked for it, and
  // the task bar button brings the window back at its size.
  switch (showCommand) {
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
    case SW_SHOWNOACTIVATE:
    case SW_SHOW:
    case SW_SHOWNA:
    case SW_RESTORE:
      break;
    default:
      showCommand = SW_SHOWNORMAL;
      break;
  }
  ShowWindow(hwnd_, showCommand);
  // The system may put the start record's command in place of the first one
  // a program gives, so it is checked afterwards.
  if (IsZoomed(hwnd_)) ShowWindow(hwnd_, SW_SHOWNORMAL);
  UpdateWindow(hwnd_);
  // The reason box has the first tab index, so it holds the focus at start.
  SetFocus(ControlWindow(Control::Text1));
}

bool FormWindow::FormExists() {
  return hwnd_ != nullptr;
}

WindowHandle FormWindow::FormHandle() {
  return reinterpret_cast<WindowHandle>(hwnd_);
}

void FormWindow::UnloadForm() {
  if (hwnd_ == nullptr || destroying_) return;
  destroying_ = true;
  // Its WM_NCDESTROY clears hwnd_. It fails only for another thread's window.
  DestroyWindow(hwnd_);
  destroying_ = false;
}

// --- controls ---

void FormWindow::CreateControls() {
  for (const ControlLayout& control : layout_.controls) {
    const ControlClass kind = ClassFor(control.kind);
    if (kind.className == nullptr) continue;  // the timer is not a window
    const auto index = static_cast<std::size_t>(ControlIndex(control.id));
    if (index >= controls_.size()) continue;
    const std::wstring caption = ToWide(control.caption);
    const INT_PTR id = static_cast<INT_PTR>(FirstControlId) + ControlIndex(control.id);
    controls_[index] = CreateWindowExW(0, kind.className, caption.c_str(), kind.style, 0, 0, 0, 0,
                                       hwnd_, reinterpret_cast<HMENU>(id), instance_, nullptr);
    // Without its brush a control keeps the platform's colours.
    if (control.background.source == Color::Source::Fixed) {
      backgrounds_[index].reset(CreateSolidBrush(ToColorRef(control.background)));
    }
  }
}

// Tab goes through the children in Z order, which starts as creation order;
// restack them by tab index.
void FormWindow::ArrangeTabOrder() {
  std::vector<const ControlLayout*> byTabIndex;
  for (const ControlLayout& control : layout_.controls) {
    if (control.tabIndex >= 0) byTabIndex.push_back(&control);
  }
  std::sort(byTabIndex.begin(), byTabIndex.end(),
            [](const auto* a, const auto* b) { return a->tabIndex < b->tabIndex; });
  for (const ControlLayout* control : byTabIndex) {
    SetWindowPos(ControlWindow(control->id), HWND_BOTTOM, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

void FormWindow::PlaceWindow(const POINT* topLeft) {
  // The size comes from the layout's twips alone, as the controls' sizes do,
  // so that the controls at the right and bottom edges end where it ends.
  const int left = TwipsToPixels(layout_.left, dpi_);
  const int top = TwipsToPixels(layout_.top, dpi_);
  RECT rect = {left, top, left + TwipsToPixels(layout_.clientWidth, dpi_),
               top + TwipsToPixels(layout_.clientHeight, dpi_)};
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE));
  AdjustWindowRectEx(&rect, style, FALSE, exStyle);  // a popup has no frame to add
  if (topLeft != nullptr) {
    OffsetRect(&rect, topLeft->x - rect.left, topLeft->y - rect.top);  // cannot fail
  }
  // The design placement where the window fits, moved onto the screen where
  // it does not (a high DPI pushes it past the right edge).
  PixelRect placed = {rect.left, rect.top, rect.right, rect.bottom};
  PixelRect workArea;
  if (WorkAreaNear(rect, &workArea)) placed = FitInWorkArea(placed, workArea);
  SetWindowPos(hwnd_, nullptr, placed.left, placed.top, placed.right - placed.left,
               placed.bottom - placed.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormWindow::PlaceControls() {
  for (const ControlLayout& control : layout_.controls) {
    HWND window = ControlWindow(control.id);
    if (window == nullptr) continue;
    MoveWindow(window, TwipsToPixels(control.rect.left, dpi_),
               TwipsToPixels(control.rect.top, dpi_), TwipsToPixels(control.rect.width, dpi_),
               TwipsToPixels(control.rect.height, dpi_), TRUE);
  }
}

// The default GUI font at the window's DPI. The stock font is already sized
// for the system DPI, so it only needs scaling where the window's monitor has
// another DPI; under Wine, which has one DPI for every monitor, it stays as is.
void FormWindow::UpdateFont() {
  LOGFONTW logFont = {};
  if (GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(logFont), &logFont) == 0) return;
  logFont.lfHeight = MulDiv(logFont.lfHeight, dpi_, SystemDpi());
  font_.reset(CreateFontIndirectW(&logFont));
  if (!font_) return;
  for (HWND control : controls_) {
    if (control != nullptr)
      SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
  }
}

HWND FormWindow::ControlWindow(Control control) const {
  const auto index = static_cast<std::size_t>(ControlIndex(control));
  return index < controls_.size() ? controls_[index] : nullptr;
}

const ControlLayout* FormWindow::LayoutOfWindow(HWND window) const {
  for (const ControlLayout& control : layout_.controls) {
    if (window != nullptr && ControlWindow(control.id) == window) return &control;
  }
  return nullptr;
}

bool FormWindow::IsEnabled(Control control) {
  if (hwnd_ == nullptr) return false;
  if (control == Control::Timer1) return timerEnabled_;
  return IsWindowEnabled(ControlWindow(control)) != FALSE;
}

void FormWindow::SetEnabled(Control control, bool enabled) {
  if (hwnd_ == nullptr) return;
  if (control == Control::Timer1) {
    if (enabled == timerEnabled_) return;  // a running timer keeps its schedule
    if (enabled) {
      timerEnabled_ = SetTimer(hwnd_, TimerId, layout_.timerIntervalMs, nullptr) != 0;
    } else {
      KillTimer(hwnd_, TimerId);  // fails only if it was never set
      timerEnabled_ = false;
    }
    return;
  }
  HWND window = ControlWindow(control);
  const bool hadFocus = GetFocus() == window;
  EnableWindow(window, enabled ? TRUE : FALSE);
  // A disabled control cannot keep the keyboard; hand it to the next one.
  if (!enabled && hadFocus) SetFocus(GetNextDlgTabItem(hwnd_, window, FALSE));
}

std::u16string FormWindow::GetText(Control control) {
  HWND window = hwnd_ != nullptr ? ControlWindow(control) : nullptr;
  if (window == nullptr) return std::u16string();
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return std::u16string();
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(copied, 0)));
  return FromWide(text);
}

void FormWindow::SetText(Control control, std::u16string_view text) {
  HWND window = hwnd_ != nullptr ? ControlWindow(control) : nullptr;
  if (window == nullptr) return;
  SetWindowTextW(window, ToWide(text).c_str());
}

// --- messages ---

LRESULT CALLBACK FormWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) return OnNcCreate(hwnd, wParam, lParam);
  auto* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
  return self->OnMessage(message, wParam, lParam);
}

LRESULT FormWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND hwnd = hwnd_;
  switch (message) {
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      return OnControlColor(message, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_COMMAND:
      OnCommand(wParam, lParam);
      return 0;
    case DM_GETDEFID:
      return FocusedButtonAsDefault(hwnd);
    case ClickMessage:
      OnQueuedClick(wParam);
      return 0;
    case WM_TIMER:
      OnTimer(wParam, lParam);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      OnMouseDown(lParam);
      return 0;
    case WM_XBUTTONDOWN:
      OnMouseDown(lParam);
      return TRUE;  // what the side buttons' message wants from a window that handled it
    case WM_ACTIVATE:
      OnActivate(wParam);
      return 0;
    case WmDpiChanged:
      OnDpiChanged(wParam, lParam);
      return 0;
    case WM_SYSCOMMAND:
      // The window has no maximise box, so this comes from another program,
      // and would make the window cover the screen, above everything.
      if ((wParam & 0xFFF0) == SC_MAXIMIZE) return 0;
      break;
    case WM_CLOSE:
      // Posted or sent, by the task bar's menu, SC_CLOSE or another program:
      // the window goes, and the program with it, without a farewell.
      UnloadForm();
      return 0;
    case WM_NCDESTROY:
      return OnNcDestroy(wParam, lParam);
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

void FormWindow::OnPaint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd_, &paint);
  if (dc == nullptr) return;
  if (picture_.bitmap) {
    const win32host::ScopedMemoryDC source(dc);
    if (source.get() != nullptr) {
      ScopedSelect selected(source.get(), picture_.bitmap.get());
      // HALFTONE averages the source pixels that meet in each screen pixel,
      // where the default mode drops or repeats them; it wants the brush
      // origin set after it. If either fails, the picture is merely coarser.
      SetStretchBltMode(dc, HALFTONE);
      SetBrushOrgEx(dc, 0, 0, nullptr);
      StretchBlt(dc, 0, 0, TwipsToPixels(layout_.pictureWidth, dpi_),
                 TwipsToPixels(layout_.pictureHeight, dpi_), source.get(), 0, 0, picture_.width,
                 picture_.height, SRCCOPY);
    }
  }
  if (linePen_) {
    ScopedSelect pen(dc, linePen_.get());
    const COLORREF color = RGB(layout_.lineColor.r, layout_.lineColor.g, layout_.lineColor.b);
    for (const LineLayout& line : layout_.lines) {
      const int x1 = TwipsToPixels(line.x1, dpi_), y1 = TwipsToPixels(line.y1, dpi_);
      const int x2 = TwipsToPixels(line.x2, dpi_), y2 = TwipsToPixels(line.y2, dpi_);
      MoveToEx(dc, x1, y1, nullptr);
      LineTo(dc, x2, y2);
      SetPixelV(dc, x2, y2, color);  // LineTo leaves out the end point
    }
  }
  EndPaint(hwnd_, &paint);
}

LRESULT FormWindow::OnControlColor(UINT message, HDC dc, HWND control) {
  const ControlLayout* layout = LayoutOfWindow(control);
  HBRUSH brush = nullptr;  // none: the platform's colours
  if (layout != nullptr && layout->background.source == Color::Source::SystemWindowText) {
    brush = GetSysColorBrush(COLOR_WINDOWTEXT);
  } else if (layout != nullptr) {
    brush = backgrounds_[static_cast<std::size_t>(ControlIndex(layout->id))].get();
  }
  if (brush == nullptr) {
    return DefWindowProcW(hwnd_, message, reinterpret_cast<WPARAM>(dc),
                          reinterpret_cast<LPARAM>(control));
  }
  SetTextColor(dc, ToColorRef(layout->text));
  SetBkColor(dc, ToColorRef(layout->background));
  return reinterpret_cast<LRESULT>(brush);
}

void FormWindow::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (HIWORD(wParam) != BN_CLICKED) return;
  const ControlLayout* layout = LayoutOfWindow(reinterpret_cast<HWND>(lParam));
  if (layout == nullptr || layout->kind != ControlKind::Button) return;
  // A disabled button does nothing, however the click reached it.
  if (!IsWindowEnabled(ControlWindow(layout->id))) return;
  // The button's control ID: what another program sees of it, too.
  PostMessageW(hwnd_, ClickMessage, static_cast<WPARAM>(GetDlgCtrlID(ControlWindow(layout->id))),
               0);
}

// A click runs some time after its button took it: a pause in between pumps
// messages, and its handler may disable the button meanwhile. Another program
// can also post this message, with any value in it.
void FormWindow::OnQueuedClick(WPARAM controlId) {
  if (controlId > static_cast<WPARAM>(INT_MAX)) return;
  const ControlLayout* layout = LayoutOfWindow(GetDlgItem(hwnd_, static_cast<int>(controlId)));
  if (layout == nullptr || layout->kind != ControlKind::Button || !IsEnabled(layout->id)) return;
  events_->Click(layout->id);
}

// The system creates the window once, on this thread, and the creation
// record is ours only then. Any other WM_NCCREATE is another program's, with
// a record it made up: dropped unread.
LRESULT FormWindow::OnNcCreate(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  if (InSendMessage() || GetWindowLongPtrW(hwnd, GWLP_USERDATA) != 0) return FALSE;
  auto* self = static_cast<FormWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
  if (self == nullptr || self->hwnd_ != nullptr) return FALSE;  // not a window we are making
  self->hwnd_ = hwnd;
  // A failure would show as the window not answering.
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  return self->OnMessage(WM_NCCREATE, wParam, lParam);
}

// Only the system's timer messages, for our one timer, which has no callback;
// the system never sends them from another thread. Whether a tick may run is
// the handler's to decide.
void FormWindow::OnTimer(WPARAM id, LPARAM callback) {
  if (id != TimerId || callback != 0 || InSendMessage()) return;
  events_->Tick();
}

// A disabled control passes its presses on to the window, so a press can
// reach us over any control; only a press on the picture moves the window.
void FormWindow::OnMouseDown(LPARAM position) {
  const POINT at = {GET_X_LPARAM(position), GET_Y_LPARAM(position)};
  if (ChildWindowFromPointEx(hwnd_, at, CWP_SKIPINVISIBLE) != hwnd_) return;
  events_->MouseDown();
}

// The keyboard focus comes back to the control that had it, or, if that
// control has been disabled meanwhile, to the next one that can take it.
void FormWindow::OnActivate(WPARAM wParam) {
  if (LOWORD(wParam) == WA_INACTIVE) {
    focusBeforeDeactivate_ = GetFocus();
    return;
  }
  HWND focus = focusBeforeDeactivate_;
  // Nothing saved: the first activation, and Show puts the focus in place.
  if (focus == nullptr || !IsChild(hwnd_, focus)) return;
  if (!IsWindowEnabled(focus)) focus = GetNextDlgTabItem(hwnd_, focus, FALSE);
  if (focus != nullptr) SetFocus(focus);
}

// The system sends this on this thread once the window's DPI has changed, with
// the place it suggests. A copy from another thread carries whatever lParam it
// likes (a posted one never gets here: the message loop drops it). The DPI is
// the platform's for the window where it can say; where it cannot (Windows
// 8.1, early Windows 10), it is the one that the system's own message carries.
void FormWindow::OnDpiChanged(WPARAM wParam, LPARAM lParam) {
  if (InSendMessage()) return;
  const std::optional<int> changed = DpiFromChange(PlatformDpiOf(hwnd_), wParam, dpi_);
  if (!changed) return;
  dpi_ = *changed;
  POINT topLeft = {};
  if (const auto* suggested = reinterpret_cast<const RECT*>(lParam); suggested != nullptr) {
    topLeft = {suggested->left, suggested->top};
  } else {
    RECT now = {};
    if (!GetWindowRect(hwnd_, &now)) return;
    topLeft = {now.left, now.top};  // kept on the work area by PlaceWindow
  }
  UpdateFont();
  PlaceWindow(&topLeft);
  PlaceControls();
  InvalidateRect(hwnd_, nullptr, TRUE);  // fails only for a window that is gone
}

// The system sends this as the last message of a window that is being
// destroyed, once its controls have gone, and only ours destroys it (another
// thread cannot): inside UnloadForm. Any other copy is another program's: the
// window lives on, and stays attached. (InSendMessage cannot tell them apart:
// it is true for the system's own copy too, while a close that another
// program sent is being handled.)
LRESULT FormWindow::OnNcDestroy(WPARAM wParam, LPARAM lParam) {
  HWND hwnd = hwnd_;
  if (!destroying_ || GetWindow(hwnd, GW_CHILD) != nullptr) return 0;
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);  // the window goes either way
  hwnd_ = nullptr;
  std::fill(controls_.begin(), controls_.end(), nullptr);
  timerEnabled_ = false;  // the window's timers went with it
  PostQuitMessage(0);     // the program ends with its only window, whatever destroyed it
  return DefWindowProcW(hwnd, WM_NCDESTROY, wParam, lParam);
}

}  // namespace drowsel::win32app
