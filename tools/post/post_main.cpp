// drowsel-post: posts chosen chat lines with Drowsel's own sender and Win32
// host, one after another with no pause, and prints how long each took.
//
//   drowsel-post.exe MsgLoaded MsgReason=Lunch MsgIdleFor=3 ...
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "chat/catalogue.h"
#include "chat/send_chat.h"
#include "host/win32/ansi_text.h"
#include "host/win32/win32_host.h"

namespace {

using drowsel::win32host::FromWide;

// An entry's name as an argument spells it.
bool Names(std::wstring_view argument, std::string_view name) {
  return std::equal(argument.begin(), argument.end(), name.begin(), name.end(),
                    [](wchar_t a, char n) { return a == static_cast<unsigned char>(n); });
}

// The line an argument names (NAME, or NAME=VALUE for a composed entry), or
// nothing when it names no entry.
bool LineFor(const std::wstring& argument, std::u16string& line) {
  const std::size_t equals = argument.find(L'=');
  const std::wstring_view name = std::wstring_view(argument).substr(0, equals);
  if (equals == std::wstring::npos) {
    for (const drowsel::FixedEntry& entry : drowsel::FixedEntries) {
      if (!Names(name, entry.name)) continue;
      line = std::u16string(entry.text);
      return true;
    }
    return false;
  }
  for (const drowsel::ComposedEntry& entry : drowsel::ComposedEntries) {
    if (!Names(name, entry.name)) continue;
    line = entry.compose(FromWide(std::wstring_view(argument).substr(equals + 1)));
    return true;
  }
  return false;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  drowsel::win32host::Win32Host host;
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
