// drowsel-post: posts chosen chat lines with Drowsel's own sender and Win32
// host, one after another with no pause, and prints how long each took.
//
//   drowsel-post.exe MsgLoaded MsgReason=Lunch MsgIdleFor=3 ...
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <string>

#include "chat/catalogue.h"
#include "chat/send_chat.h"
#include "host/win32/ansi_text.h"
#include "host/win32/win32_host.h"

namespace {

using drowsel::win32host::FromWide;

// The line an argument names, or nothing when it names no entry.
bool LineFor(const std::wstring& argument, std::u16string& line) {
  using namespace drowsel;
  static const std::map<std::wstring, std::u16string_view> FixedEntries = {
      {L"MsgLoaded", MsgLoaded},         {L"MsgUnloaded", MsgUnloaded},
      {L"MsgStarted", MsgStarted},       {L"MsgStopped", MsgStopped},
      {L"MsgBanner", MsgBanner},         {L"MsgCreditLoad", MsgCreditLoad},
      {L"MsgCreditExit", MsgCreditExit}, {L"MsgMaker", MsgMaker},
  };
  static const std::map<std::wstring, std::function<std::u16string(std::u16string_view)>>
      ComposedEntries = {
          {L"MsgReason", MsgReason}, {L"MsgIdleFor", MsgIdleFor}, {L"MsgTotalIdle", MsgTotalIdle}};
  const std::size_t equals = argument.find(L'=');
  if (equals == std::wstring::npos) {
    const auto fixed = FixedEntries.find(argument);
    if (fixed == FixedEntries.end()) return false;
    line = std::u16string(fixed->second);
    return true;
  }
  const auto composed = ComposedEntries.find(argument.substr(0, equals));
  if (composed == ComposedEntries.end()) return false;
  line = composed->second(FromWide(std::wstring_view(argument).substr(equals + 1)));
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  drowsel::win32host::Win32Host host(nullptr);
  for (int i = 1; i < argc; ++i) {
    const std::wstring argument = argv[i];
    std::u16string line;
    if (!LineFor(argument, line)) {
      std::fwprintf(stderr, L"unknown entry: %ls\n", argument.c_str());
      return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    drowsel::SendChat(host, line);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    std::wprintf(L"%ls %lld\n", argument.substr(0, argument.find(L'=')).c_str(),
                 static_cast<long long>(ms));
    std::fflush(stdout);
  }
  return 0;
}
