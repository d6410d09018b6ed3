#include "chat_client_window.h"

namespace driver {
namespace {

// Long enough for a client busy taking a chat line, short enough that a
// stalled one fails the command instead of freezing it.
constexpr UINT SendTimeoutMs = 3000;

HWND FindFrame() {
  return FindWindowW(L"AOL Frame25", nullptr);
}

}  // namespace

ChatResult BringRoomForward(const std::wstring& room) {
  const HWND frame = FindFrame();
  if (frame == nullptr) return ChatResult::NoClient;
  const HWND documents = FindWindowExW(frame, nullptr, L"MDIClient", nullptr);
  if (documents == nullptr) return ChatResult::NoClient;
  const HWND document = FindWindowExW(documents, nullptr, L"AOL Child", room.c_str());
  if (document == nullptr) return ChatResult::NoRoom;
  DWORD_PTR ignored = 0;
  if (!SendMessageTimeoutW(documents, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(document), 0,
                           SMTO_ABORTIFHUNG, SendTimeoutMs, &ignored)) {
    return ChatResult::ExitFailed;
  }
  // Activation moves the document first in Z order, where Drowsel looks.
  return GetWindow(documents, GW_CHILD) == document ? ChatResult::Done : ChatResult::ExitFailed;
}

ChatResult StallChat(DWORD ms) {
  const HWND frame = FindFrame();
  if (frame == nullptr) return ChatResult::NoClient;
  const UINT stall = RegisterWindowMessageW(L"StandinAolStall");
  if (stall == 0) return ChatResult::ExitFailed;
  return PostMessageW(frame, stall, ms, 0) ? ChatResult::Done : ChatResult::ExitFailed;
}

ChatResult CloseChat() {
  const HWND frame = FindFrame();
  if (frame == nullptr) return ChatResult::NoClient;
  return PostMessageW(frame, WM_CLOSE, 0, 0) ? ChatResult::Done : ChatResult::ExitFailed;
}

}  // namespace driver
