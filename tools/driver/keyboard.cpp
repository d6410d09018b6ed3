#include "keyboard.h"

#include <vector>

namespace driver {
namespace {

struct NamedKey {
  const wchar_t* name;
  WORD key;
  bool shift;
};

constexpr NamedKey NamedKeys[] = {
    {L"tab", VK_TAB, false},     {L"shift+tab", VK_TAB, true},  {L"enter", VK_RETURN, false},
    {L"space", VK_SPACE, false}, {L"escape", VK_ESCAPE, false},
};

INPUT Key(WORD key, bool up) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

INPUT Character(wchar_t c, bool up) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wScan = c;
  input.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
  return input;
}

bool AddNamedKey(const std::wstring& name, std::vector<INPUT>& inputs) {
  for (const NamedKey& named : NamedKeys) {
    if (name != named.name) continue;
    if (named.shift) inputs.push_back(Key(VK_SHIFT, false));
    inputs.push_back(Key(named.key, false));
    inputs.push_back(Key(named.key, true));
    if (named.shift) inputs.push_back(Key(VK_SHIFT, true));
    return true;
  }
  return false;
}

}  // namespace

bool TypeKeys(HWND window, const std::wstring& keys, std::wstring& error) {
  std::vector<INPUT> inputs;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    const std::size_t close = keys[i] == L'{' ? keys.find(L'}', i) : std::wstring::npos;
    if (close == std::wstring::npos) {
      inputs.push_back(Character(keys[i], false));
      inputs.push_back(Character(keys[i], true));
      continue;
    }
    const std::wstring name = keys.substr(i + 1, close - i - 1);
    if (!AddNamedKey(name, inputs)) {
      error = L"no key named \"" + name + L"\"";
      return false;
    }
    i = close;
  }
  // Keys go to the foreground window's focus, so it must be ours first.
  if (!SetForegroundWindow(window) || GetForegroundWindow() != window) {
    error = L"the window would not come to the foreground";
    return false;
  }
  const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  if (sent != inputs.size()) {
    error = L"SendInput took " + std::to_wstring(sent) + L" of " + std::to_wstring(inputs.size()) +
            L" inputs";
    return false;
  }
  return true;
}

}  // namespace driver
