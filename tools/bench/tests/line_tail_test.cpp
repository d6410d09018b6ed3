// Tests of the log follower the launch probe reads the chat client's log with.
// A plain console program: run it under Wine; exit code 0 when all passed.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "line_tail.h"

namespace {

int failures = 0;
int checks = 0;

void Expect(bool condition, const char* what, int line) {
  ++checks;
  if (!condition) {
    ++failures;
    std::printf("FAILED line %d: %s\n", line, what);
  }
}
#define EXPECT(condition) Expect((condition), #condition, __LINE__)

using Lines = std::vector<std::string>;

void SplitsWholeLines() {
  bench::LineSplitter splitter;
  EXPECT((splitter.Feed("READY\nLobby POSTED 41\n") == Lines{"READY", "Lobby POSTED 41"}));
  EXPECT(splitter.Feed("").empty());
}

void KeepsHalfALineForLater() {
  bench::LineSplitter splitter;
  EXPECT(splitter.Feed("Lobby POS").empty());
  EXPECT(splitter.Feed("TED 4").empty());
  EXPECT((splitter.Feed("1\nEXIT") == Lines{"Lobby POSTED 41"}));
  EXPECT((splitter.Feed("\n") == Lines{"EXIT"}));
}

void DropsCarriageReturnsAndKeepsEmptyLines() {
  bench::LineSplitter splitter;
  EXPECT((splitter.Feed("a\r\n\nb\r") == Lines{"a", ""}));
  EXPECT((splitter.Feed("\n") == Lines{"b"}));
  // A carriage return inside a line is part of it.
  EXPECT((splitter.Feed("c\rd\n") == Lines{"c\rd"}));
}

// A file another handle appends to, as the chat client writes its log.
class Appender {
 public:
  explicit Appender(const std::wstring& path)
      : file_(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  Appender(const Appender&) = delete;
  Appender& operator=(const Appender&) = delete;
  ~Appender() { CloseHandle(file_); }
  void Write(const std::string& text) {
    DWORD written = 0;
    WriteFile(file_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }

 private:
  HANDLE file_;
};

std::wstring TempFile() {
  wchar_t folder[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH, folder);
  wchar_t path[MAX_PATH + 1] = {};
  GetTempFileNameW(folder, L"blt", 0, path);
  return path;
}

void FollowsAFileAsItGrows() {
  const std::wstring path = TempFile();
  {
    Appender log(path);
    log.Write("old line\n");
    bench::LineTail fromEnd(path, false);
    bench::LineTail fromStart(path, true);
    EXPECT(fromEnd.ok() && fromStart.ok());
    EXPECT(fromEnd.Read().empty());
    EXPECT((fromStart.Read() == Lines{"old line"}));
    log.Write("Lobby POSTED 41\nLobby POS");
    EXPECT((fromEnd.Read() == Lines{"Lobby POSTED 41"}));
    EXPECT(fromEnd.Read().empty());
    log.Write("TED 42\n");
    EXPECT((fromEnd.Read() == Lines{"Lobby POSTED 42"}));
    // More than one read's worth at once.
    const std::string longLine(10000, 'x');
    log.Write(longLine + "\nEXIT\n");
    EXPECT((fromEnd.Read() == Lines{longLine, "EXIT"}));
    EXPECT((fromStart.Read() == Lines{"Lobby POSTED 41", "Lobby POSTED 42", longLine, "EXIT"}));
  }
  DeleteFileW(path.c_str());
}

void AMissingFileReadsAsNothing() {
  bench::LineTail tail(L"Z:\\no\\such\\folder\\chat.log", true);
  EXPECT(!tail.ok());
  EXPECT(tail.Read().empty());
}

}  // namespace

int main() {
  SplitsWholeLines();
  KeepsHalfALineForLater();
  DropsCarriageReturnsAndKeepsEmptyLines();
  FollowsAFileAsItGrows();
  AMissingFileReadsAsNothing();
  std::printf("%d passed, %d failed\n", checks - failures, failures);
  return failures == 0 ? 0 : 1;
}
