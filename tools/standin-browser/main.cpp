// standin-browser.exe: a browser that only writes down how it was started.
//
// It appends one line to "standin-browser.log" in its own folder: the bytes
// of GetCommandLineA() in lowercase hex, so a leading space, quotes or
// anything else in there is plain to see. Then it exits with 0. It shows no
// window; a test copies it into a folder of its own and reads the log from
// there.
//
// While a file "standin-browser.hold" exists in that folder (checked after the
// line is written), it stays running, for two minutes at most: a browser that
// is still open, for a test that its starter does not wait for it.
#include <windows.h>

#include <string>

#include "event_log.h"
#include "host/win32/scoped.h"

namespace {

// The full path of this exe; empty if it cannot be had.
std::string ModulePath() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return std::string();
    if (length < path.size()) return path.substr(0, length);
    if (path.size() >= 32768) return std::string();  // longer than any Windows path
    path.resize(path.size() * 2);                    // cut short: try again with more room
  }
}

// This exe's folder, ending in a backslash; empty if it cannot be had.
std::string ModuleFolder() {
  const std::string exe = ModulePath();
  const std::string::size_type slash = exe.find_last_of("\\/");
  if (slash == std::string::npos) return std::string();
  return exe.substr(0, slash + 1);
}

// Appends the line with a single WriteFile, so two browsers started at once
// cannot interleave their lines.
bool AppendLine(const std::string& path, std::string line) {
  const drowsel::win32host::ScopedHandle file(
      CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  line += '\n';
  DWORD written = 0;
  const BOOL ok =
      WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  return ok != FALSE && written == line.size();
}

void StayWhileHeld(const std::string& holdPath) {
  constexpr DWORD PollMs = 50;
  constexpr DWORD LongestMs = 120000;
  for (DWORD waited = 0; waited < LongestMs; waited += PollMs) {
    if (GetFileAttributesA(holdPath.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    Sleep(PollMs);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const std::string folder = ModuleFolder();
  if (folder.empty()) return 2;
  const char* commandLine = GetCommandLineA();
  const std::string hex = standin::HexBytes(commandLine != nullptr ? commandLine : "");
  if (!AppendLine(folder + "standin-browser.log", hex)) return 2;
  StayWhileHeld(folder + "standin-browser.hold");
  return 0;
}
