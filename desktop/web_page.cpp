#include "desktop/web_page.h"

namespace drowsel {
namespace {

// How many probe names to try before giving up on a folder we cannot write.
constexpr int ProbeAttempts = 16;

// A probe file of our own: created new, so that a file we did not make is
// never emptied, truncated or deleted.
struct Probe {
  std::u16string name;  // bare file name
  std::u16string path;  // folder + name
};

std::u16string ProbeName(std::uint32_t processId, int attempt) {
  std::string ascii =
      "drowsel-probe-" + std::to_string(processId) + "-" + std::to_string(attempt) + ".html";
  return std::u16string(ascii.begin(), ascii.end());
}

bool CreateProbe(ShellFunctions& host, const std::u16string& folder, Probe& probe) {
  const std::uint32_t processId = host.GetCurrentProcessId();
  for (int attempt = 0; attempt < ProbeAttempts; ++attempt) {
    probe.name = ProbeName(processId, attempt);
    probe.path = folder + probe.name;
    const KernelHandle file = host.CreateFileA(probe.path);
    if (file != InvalidHandleValue) {
      host.CloseHandle(file);  // an empty file is all the shell needs
      return true;
    }
  }
  return false;
}

// A path from a function that fills a buffer: asked for its size first, so
// that a long one is never cut short. Empty when it fails or grows meanwhile.
template <typename Get>
std::u16string WholePath(Get get) {
  std::u16string buffer;
  const std::uint32_t needed = get(0, buffer);
  if (needed == 0) return std::u16string();
  const std::uint32_t length = get(needed, buffer);
  if (length == 0 || length >= needed) return std::u16string();
  return TrimAtNull(buffer);
}

}  // namespace

std::u16string TrimAtNull(const std::u16string& text) {
  return text.substr(0, text.find(u'\0'));
}

std::u16string TempDirectory(ShellFunctions& host) {
  std::u16string folder = WholePath([&](std::uint32_t length, std::u16string& buffer) {
    return host.GetTempPathW(length, buffer);
  });
  if (folder.empty()) return std::u16string();
  // The probe goes through the ANSI functions, which see the folder through
  // the code page: a name it cannot write becomes '?' (no such folder) or a
  // look-alike (someone else's). Its short form, where the volume keeps
  // short names, is made of letters the code page has.
  if (ThroughAnsiCodePage(host, folder) == folder) return folder;
  std::u16string shortForm = WholePath([&](std::uint32_t length, std::u16string& buffer) {
    return host.GetShortPathNameW(folder, length, buffer);
  });
  if (shortForm.empty() || ThroughAnsiCodePage(host, shortForm) != shortForm) {
    return std::u16string();
  }
  return shortForm;
}

std::u16string FindBrowser(ShellFunctions& host, std::int32_t& resultCode) {
  resultCode = 0;
  const std::u16string folder = TempDirectory(host);
  if (folder.empty()) return std::u16string();
  Probe probe;
  if (!CreateProbe(host, folder, probe)) return std::u16string();

  std::u16string browser;
  resultCode = static_cast<std::int32_t>(host.FindExecutableA(probe.name, folder, browser));
  // A probe that cannot be deleted is an empty file of ours in the temporary
  // folder; nothing more can be done about it here.
  host.DeleteFileA(probe.path);
  return TrimAtNull(browser);
}

bool OpenWebPage(ShellFunctions& host, const std::u16string& address) {
  std::int32_t resultCode = 0;
  const std::u16string browser = FindBrowser(host, resultCode);
  if (resultCode < 32) return false;

  StartupInfo startup;
  startup.dwFlags = StartfUseShowWindow;
  startup.wShowWindow = SwShowNormal;
  ProcessInformation process;
  // The address is the browser's first argument; its own name is not repeated.
  // Whether a process exists is read from its handle, not from the call's result.
  host.CreateProcessA(browser, u" " + address, false, NormalPriorityClass, startup, process);
  const bool started = process.hProcess != 0;
  // We never wait for the browser: both handles go at once.
  if (process.hProcess != 0) host.CloseHandle(process.hProcess);
  if (process.hThread != 0) host.CloseHandle(process.hThread);
  return started;
}

}  // namespace drowsel
