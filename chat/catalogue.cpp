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

}  // namespace

std::u16string MsgReason(std::u16string_view reason) {
  return Compose(u"<font><font face=Sylfaen><font size=#8><font color=#990000><b>Reason Idle: <u>",
                 reason, u"</u></font>");
}

std::u16string MsgIdleFor(std::u16string_view minutes) {
  return Compose(u"<font><font face=Sylfaen><font size=#8><font color=#990000><b>Idle For: <i><u>",
                 minutes, u" Min(s)</i></font>");
}

std::u16string MsgTotalIdle(std::u16string_view minutes) {
  return Compose(
      u"<font><font face=Sylfaen><font size=#8><font color=#990000><b>Total Idle Time: <u><i>",
      minutes, u" Min(s)</font>");
}

}  // namespace drowsel
