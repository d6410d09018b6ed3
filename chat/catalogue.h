// Every line Drowsel posts into the chat room. The texts are the chat room's
// font mark-up; they are sent exactly as written, unbalanced tags included.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "host/host_services.h"

namespace drowsel {

// U+2021 DOUBLE DAGGER and U+00B7 MIDDLE DOT become 0x87 and 0xB7 in code page 1252.
inline constexpr std::u16string_view MsgLoaded =
    u"<font><font face=Sylfaen><font size=#8><font color=#990000><b>\u2021\u2021 Drowsel "
    u"\u2021\u2021 L0ad3D</font>";
inline constexpr std::u16string_view MsgUnloaded =
    u"<font><font face=Sylfaen><font size=#8><font color=#990000><b>\u2021\u2021 Drowsel "
    u"\u2021\u2021 UnL0ad3D</font>";
inline constexpr std::u16string_view MsgStarted =
    u"<font><font face=Sylfaen><font size=#8><font color=#990000><b>\u2021\u2021 Drowsel "
    u"\u2021\u2021 <i>Started</i></font>";
inline constexpr std::u16string_view MsgStopped =
    u"<font><font face=Sylfaen><font size=#8><font color=#990000><b>\u2021\u2021 Drowsel "
    u"\u2021\u2021 <i>Stopped</i></font>";
inline constexpr std::u16string_view MsgBanner =
    u"<font><font face=Sylfaen><font size=#8><font color=#990000><b>\u2021\u2021 Drowsel "
    u"\u2021\u2021</font>";
inline constexpr std::u16string_view MsgCreditLoad =
    u"<font><font face=Sylfaen><font size=#8><font color=#666666><s>\u00b7kR3aTeD bY "
    u"Vorlaxe\u00b7</font>";
inline constexpr std::u16string_view MsgCreditExit =
    u"<font><font face=Sylfaen><font size=#8><font color=#666666><s>\u00b7kR3aTeD bY "
    u"Quillfen\u00b7</font>";
inline constexpr std::u16string_view MsgMaker =
    u"<font><font face=Sylfaen><font size=#8><font color=#000000><i><u>-\u00b7\u00b7\u00b7\u00b7 "
    u"Vantorel \u00b7\u00b7\u00b7\u00b7-</font>";

// The composed lines: prefix + the value, unchanged (no trimming, no escaping,
// no length limit) + suffix.
std::u16string MsgReason(std::u16string_view reason);
std::u16string MsgIdleFor(std::u16string_view minutes);
std::u16string MsgTotalIdle(std::u16string_view minutes);

// The catalogue by name, for whatever has to go through every entry.
struct FixedEntry {
  std::string_view name;
  std::u16string_view text;
};
inline constexpr std::array<FixedEntry, 8> FixedEntries = {{
    {"MsgLoaded", MsgLoaded},
    {"MsgUnloaded", MsgUnloaded},
    {"MsgStarted", MsgStarted},
    {"MsgStopped", MsgStopped},
    {"MsgBanner", MsgBanner},
    {"MsgCreditLoad", MsgCreditLoad},
    {"MsgCreditExit", MsgCreditExit},
    {"MsgMaker", MsgMaker},
}};
struct ComposedEntry {
  std::string_view name;
  std::u16string (*compose)(std::u16string_view value);
};
inline constexpr std::array<ComposedEntry, 3> ComposedEntries = {{
    {"MsgReason", MsgReason},
    {"MsgIdleFor", MsgIdleFor},
    {"MsgTotalIdle", MsgTotalIdle},
}};

// True for a text that is one of the lines above, fixed or composed with any
// value, as a window holds it after the ANSI code page (which may lack even
// the daggers and dots of the fixed lines).
bool IsOwnLine(std::u16string_view text, CodePageFunctions& codePage);

}  // namespace drowsel
