// Drowsel's window as another process sees it: found by class, its children
// listed in Z order, their texts read with bounded sends.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace driver {

// Drowsel's top-level window, found by its class name, or null.
HWND FindDrowsel();

// SendMessageTimeoutW with SMTO_ABORTIFHUNG and a few seconds' limit, for
// any window of another process: long enough for one busy with a chat line,
// short enough that a hung one fails the command instead of freezing it.
// False when the window did not answer.
bool SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result);

// A window's text read with WM_GETTEXTLENGTH and WM_GETTEXT, which reach the
// contents of another process's controls; nothing when it does not answer.
std::optional<std::wstring> ReadText(HWND window);

// Sets a window's text with WM_SETTEXT; false when it does not answer.
bool WriteText(HWND window, const std::wstring& text);

struct Child {
  HWND hwnd = nullptr;
  std::wstring className;
  int id = 0;
  std::wstring text;
  RECT rect = {};  // in the parent's client coordinates
  bool enabled = false;
  bool visible = false;
};

// Every child of the window, first in Z order first.
std::vector<Child> ListChildren(HWND parent);

// The child whose text or control ID (in decimal) is `key`, or null.
HWND FindChild(HWND parent, const std::wstring& key);

}  // namespace driver
