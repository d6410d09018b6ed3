#include "chat_client_window.h"

#include "target_window.h"

namespace driver {
namespace {

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
  if (!SendBounded(documents, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(document), 0, &ignored)) {
    return ChatResult::Failed;
  }
  // Activation moves the document first in Z order, where Drowsel looks.
  return GetWindow(documents, GW_CHILD) == document ? ChatResult::Done : ChatResult::Failed;
}

ChatResult StallChat(DWORD ms) {
  const HWND frame = FindFrame();
  if (frame == nullptr) return ChatResult::NoClient;
  const UINT stall = RegisterWindowMessageW(L"StandinAolStall");
  if (stall == 0) return ChatResult::Failed;
  return PostMessageW(frame, stall, ms, 0) ? ChatResult::Done : ChatResult::Failed;
}

ChatResult CloseChat() {
  const HWND frame = FindFrame();
  if (frame == nullptr) return ChatResult::NoClient;
  return PostMessageW(frame, WM_CLOSE, 0, 0) ? ChatResult::Done : ChatResult::Failed;
}

}  // namespace driver
