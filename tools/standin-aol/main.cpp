// standin-aol.exe: a stand-in for the AOL chat client, for testing Drowsel.
// README.md describes the windows, the command line and the log.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "chat_client.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  using namespace standin;
  ParseResult parsed = ParseOptions(std::vector<std::string>(__argv + 1, __argv + __argc));
  if (!parsed.options) {
    std::fprintf(stderr, "standin-aol: %s\n", parsed.error.c_str());
    return 2;
  }

  std::unique_ptr<EventLog> log = std::make_unique<NullLog>();
  if (!parsed.options->log_path.empty()) {
    log = OpenFileLog(parsed.options->log_path);
    if (!log) {
      std::fprintf(stderr, "standin-aol: cannot open %s\n", parsed.options->log_path.c_str());
      return 2;
    }
  }

  ChatClient client(instance, std::move(*parsed.options), *log);
  std::string error = client.Create();
  if (!error.empty()) {
    std::fprintf(stderr, "standin-aol: %s\n", error.c_str());
    return 1;
  }

  MSG msg;
  BOOL got;
  while ((got = GetMessageA(&msg, nullptr, 0, 0)) != 0) {
    if (got == -1) return 1;
    if (!TranslateMDISysAccel(client.mdi_client(), &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  return static_cast<int>(msg.wParam);
}
