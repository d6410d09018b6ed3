#include "chat/send_chat.h"

#include <cstdint>
#include <exception>
#include <optional>
#include <string>

#include "chat/catalogue.h"

namespace drowsel {
namespace {

// The longest draft kept, in characters. Larger is not a draft a user typed,
// and the selection that EM_GETSEL packs into its answer ends at 0xFFFF.
constexpr std::intptr_t MaxDraftLength = 0xFFFF;

// How long the input may keep the line after the carriage return before we
// stop waiting for the client to take it. A client that acts on Enter from a
// timer or a posted message of its own takes it within a few tens of
// milliseconds; a second is far beyond that and still short for a user who is
// waiting for their text.
constexpr std::uint32_t LineLeaveBoundMs = 1000;
constexpr std::uint32_t LineLeavePollMs = 10;

// One message to the chat client, bounded so that a hung client cannot
// freeze us. False when the client did not take it within the bound; the
// caller then gives the line up, so a client that has stopped answering
// costs one bound per line. Not SMTO_ABORTIFHUNG: the system flags a client
// as not responding once it has not looked at its messages for 5 s, and one
// that is only busy for a few seconds is flagged just the same (Wine even
// flags an idle one at times). Such a send fails at once, and the line would
// be lost to a client that answers a moment later.
bool SendToClient(WindowFunctions& host, WindowHandle window, std::uint32_t message,
                  std::uintptr_t wParam, LParam lParam, std::intptr_t* result = nullptr) {
  std::intptr_t ignored = 0;
  return host.SendMessageTimeoutA(window, message, wParam, lParam, SmtoNormal, ChatSendTimeoutMs,
                                  result != nullptr ? result : &ignored);
}

// The same in Unicode, for the user's own text: the system converts for an
// ANSI input, and a Unicode one keeps every character.
bool SendToClientW(WindowFunctions& host, WindowHandle window, std::uint32_t message,
                   std::uintptr_t wParam, LParam lParam, std::intptr_t* result = nullptr) {
  std::intptr_t ignored = 0;
  return host.SendMessageTimeoutW(window, message, wParam, lParam, SmtoNormal, ChatSendTimeoutMs,
                                  result != nullptr ? result : &ignored);
}

// The input's text; nothing when the input does not answer or answers a
// length we will not hold.
struct Read {
  bool answered = false;
  std::optional<std::u16string> text;
};
Read ReadText(WindowFunctions& host, WindowHandle input) {
  std::intptr_t length = 0;
  if (!SendToClientW(host, input, WmGetTextLength, 0, std::intptr_t{0}, &length)) return {};
  if (length == 0) return {true, std::u16string()};
  if (length < 0 || length > MaxDraftLength) return {true, std::nullopt};
  TextOut buffer;
  if (!SendToClientW(host, input, WmGetText, static_cast<std::uintptr_t>(length) + 1, &buffer)) {
    return {};
  }
  return {true, std::move(buffer.text)};
}

// Waits, without running any of our handlers, until the client has taken the
// line out of its input. False when it still holds it at the bound or stops
// answering: the line may still go, so the draft must not be put there.
bool WaitForLineToLeave(WindowFunctions& host, WindowHandle input, std::u16string_view line) {
  // The line went in through the ANSI code page, which writes a letter it
  // lacks as a look-alike or as '?': that is the text the input holds.
  const std::u16string held = ThroughAnsiCodePage(host, line);
  const std::uint32_t start = host.GetTickCount();
  for (;;) {
    const Read now = ReadText(host, input);
    if (!now.answered) return false;
    if (!now.text || *now.text != held) return true;
    // Unsigned 32-bit, so that the span is right across the tick count's wrap.
    if (static_cast<std::uint32_t>(host.GetTickCount() - start) >= LineLeaveBoundMs) return false;
    host.Sleep(LineLeavePollMs);
  }
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

void Send(WindowFunctions& host, std::u16string_view line) {
  const WindowHandle input = FindChatInput(host);
  if (input == NoWindow) return;

  const Read before = ReadText(host, input);
  if (!before.answered) return;
  // A line of ours still in the input (a client that never took it) is not
  // the user's, and putting it back would repeat it after every later line.
  std::optional<std::u16string> draft = before.text;
  if (draft && (draft->empty() || IsOwnLine(*draft, host))) draft.reset();
  std::intptr_t selection = -1;
  if (draft && !SendToClientW(host, input, EmGetSel, 0, std::intptr_t{0}, &selection)) return;

  if (!SendToClient(host, input, WmSetText, 0, TextIn{line})) return;
  if (!SendToClient(host, input, WmChar, 13, std::intptr_t{0})) return;
  if (!draft || !WaitForLineToLeave(host, input, line)) return;

  if (!SendToClientW(host, input, WmSetText, 0, TextIn{*draft})) return;
  // EM_GETSEL packs start and end into the low and high words; -1 when either
  // lies beyond them, and then the caret goes to the end of the draft.
  const auto packed = static_cast<std::uint32_t>(selection);
  const std::uintptr_t start = selection == -1 ? draft->size() : (packed & 0xFFFF);
  const std::intptr_t end = selection == -1 ? static_cast<std::intptr_t>(draft->size())
                                            : static_cast<std::intptr_t>(packed >> 16);
  // The text is back whether or not the client takes the caret: nothing more to do.
  SendToClientW(host, input, EmSetSel, start, end);
}

}  // namespace

void SendChat(WindowFunctions& host, std::u16string_view line) {
  // A chat client's answers are no reason for the program to end: whatever
  // goes wrong here costs this one line and nothing else.
  try {
    Send(host, line);
  } catch (const std::exception&) {  // NOLINT(bugprone-empty-catch): silent by design
  }
}

}  // namespace drowsel
