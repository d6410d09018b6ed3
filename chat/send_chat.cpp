#include "chat/send_chat.h"

#include <optional>
#include <string>

namespace drowsel {
namespace {

// One message to the chat client, bounded so that a hung client cannot
// freeze us. False when the client did not take it.
bool SendToClient(WindowFunctions& host, WindowHandle window, std::uint32_t message,
                  std::uintptr_t wParam, LParam lParam, std::intptr_t* result = nullptr) {
  std::intptr_t ignored = 0;
  return host.SendMessageTimeoutA(window, message, wParam, lParam, SmtoAbortIfHung,
                                  ChatSendTimeoutMs, result != nullptr ? result : &ignored);
}

// The text the user has typed into the input and not sent yet; nothing when
// the input does not answer.
std::optional<std::u16string> ReadDraft(WindowFunctions& host, WindowHandle input) {
  std::intptr_t length = 0;
  if (!SendToClient(host, input, WmGetTextLength, 0, std::intptr_t{0}, &length)) {
    return std::nullopt;
  }
  if (length <= 0) return std::u16string();
  TextOut buffer;
  if (!SendToClient(host, input, WmGetText, static_cast<std::uintptr_t>(length) + 1, &buffer)) {
    return std::nullopt;
  }
  return std::move(buffer.text);
}

// The chat input of the frontmost document, or no window when any level of
// the chain is missing. A missing level must stop the search: passing a null
// parent on would search the top-level windows of every other program.
WindowHandle FindChatInput(WindowFunctions& host) {
  const WindowHandle frame = host.FindWindowA(u"AOL Frame25", nullptr);
  if (frame == NoWindow) return NoWindow;
  const WindowHandle documents = host.FindWindowExA(frame, NoWindow, u"MDIClient", nullptr);
  if (documents == NoWindow) return NoWindow;
  const WindowHandle document = host.FindWindowExA(documents, NoWindow, u"AOL Child", nullptr);
  if (document == NoWindow) return NoWindow;
  return host.FindWindowExA(document, NoWindow, u"RICHCNTL", nullptr);
}

}  // namespace

void SendChat(WindowFunctions& host, std::u16string_view line) {
  const WindowHandle input = FindChatInput(host);
  if (input == NoWindow) return;

  const std::optional<std::u16string> draft = ReadDraft(host, input);
  if (!draft) return;
  if (!SendToClient(host, input, WmSetText, 0, TextIn{line})) return;
  if (!SendToClient(host, input, WmChar, 13, std::intptr_t{0})) return;
  if (!draft->empty()) {
    // Nothing more to do if the client drops it: the line has gone already.
    SendToClient(host, input, WmSetText, 0, TextIn{*draft});
  }
}

}  // namespace drowsel
