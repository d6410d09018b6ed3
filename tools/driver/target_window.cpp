#include "target_window.h"

#include "app/win32/form_messages.h"

namespace driver {
namespace {

// How long SendBounded waits for an answer.
constexpr UINT SendTimeoutMs = 3000;

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  const int length = GetClassNameW(window, name, 256);
  return std::wstring(name, static_cast<std::size_t>(length > 0 ? length : 0));
}

}  // namespace

bool SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result) {
  return SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, SendTimeoutMs,
                             result) != 0;
}

HWND FindDrowsel() {
  return FindWindowW(drowsel::win32app::FormClassName, nullptr);
}

std::optional<std::wstring> ReadText(HWND window) {
  DWORD_PTR length = 0;
  if (!SendBounded(window, WM_GETTEXTLENGTH, 0, 0, &length)) return std::nullopt;
  if (length == 0) return std::wstring();
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendBounded(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                   &copied)) {
    return std::nullopt;
  }
  text.resize(copied < length ? copied : length);
  return text;
}

bool WriteText(HWND window, const std::wstring& text) {
  DWORD_PTR ignored = 0;
  return SendBounded(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), &ignored);
}

std::vector<Child> ListChildren(HWND parent) {
  std::vector<Child> children;
  for (HWND window = GetWindow(parent, GW_CHILD); window != nullptr;
       window = GetWindow(window, GW_HWNDNEXT)) {
    Child child;
    child.hwnd = window;
    child.className = ClassOf(window);
    child.id = GetDlgCtrlID(window);
    child.text = ReadText(window).value_or(L"");
    GetWindowRect(window, &child.rect);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&child.rect), 2);
    child.enabled = IsWindowEnabled(window) != FALSE;
    child.visible = IsWindowVisible(window) != FALSE;
    children.push_back(std::move(child));
  }
  return children;
}

HWND FindChild(HWND parent, const std::wstring& key) {
  for (const Child& child : ListChildren(parent)) {
    if (child.text == key || std::to_wstring(child.id) == key) return child.hwnd;
  }
  return nullptr;
}

}  // namespace driver
