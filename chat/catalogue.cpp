#include "chat/catalogue.h"

namespace drowsel {
namespace {

std::u16string Compose(std::u16string_view prefix, std::u16string_view value,
                       std::u16string_view suffix) {
  std::u16string line;
  line.reserve(prefix.size() + value.size() + suffix.size());
  line.append(prefix).append(value).append(suffix);
  return line;
}

// The composed lines as prefix and suffix around their value.
struct Frame {
  std::u16string_view prefix;
  std::u16string_view suffix;
};
constexpr Frame ReasonFrame{
    u"<font><font face=Sylfaen><font size=#8><font color=#990000><b>Reason Idle: <u>",
    u"</u></font>"};
constexpr Frame IdleForFrame{
    u"<font><font face=Sylfaen><font size=#8><font color=#990000><b>Idle For: <i><u>",
    u" Min(s)</i></font>"};
constexpr Frame TotalIdleFrame{
    u"<font><font face=Sylfaen><font size=#8><font color=#990000><b>Total Idle Time: <u><i>",
    u" Min(s)</font>"};

bool Frames(const Frame& frame, std::u16string_view text, CodePageFunctions& codePage) {
  const std::u16string prefix = ThroughAnsiCodePage(codePage, frame.prefix);
  const std::u16string suffix = ThroughAnsiCodePage(codePage, frame.suffix);
  return text.size() >= prefix.size() + suffix.size() && text.starts_with(prefix) &&
         text.ends_with(suffix);
}

}  // namespace

std::u16string MsgReason(std::u16string_view reason) {
  return Compose(ReasonFrame.prefix, reason, ReasonFrame.suffix);
}

std::u16string MsgIdleFor(std::u16string_view minutes) {
  return Compose(IdleForFrame.prefix, minutes, IdleForFrame.suffix);
}

std::u16string MsgTotalIdle(std::u16string_view minutes) {
  return Compose(TotalIdleFrame.prefix, minutes, TotalIdleFrame.suffix);
}

bool IsOwnLine(std::u16string_view text, CodePageFunctions& codePage) {
  for (const FixedEntry& fixed : FixedEntries) {
    if (text == ThroughAnsiCodePage(codePage, fixed.text)) return true;
  }
  return Frames(ReasonFrame, text, codePage) || Frames(IdleForFrame, text, codePage) ||
         Frames(TotalIdleFrame, text, codePage);
}

}  // namespace drowsel
