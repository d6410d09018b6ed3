// Tests of the log follower the launch probe reads the chat client's log with,
// under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/win32/scoped.h"
#include "line_tail.h"

namespace {

using Lines = std::vector<std::string>;

TEST(LineSplitter, SplitsWholeLines) {
  bench::LineSplitter splitter;
  EXPECT_EQ(splitter.Feed("READY\nLobby POSTED 41\n"), (Lines{"READY", "Lobby POSTED 41"}));
  EXPECT_TRUE(splitter.Feed("").empty());
}

TEST(LineSplitter, KeepsHalfALineForLater) {
  bench::LineSplitter splitter;
  EXPECT_TRUE(splitter.Feed("Lobby POS").empty());
  EXPECT_TRUE(splitter.Feed("TED 4").empty());
  EXPECT_EQ(splitter.Feed("1\nEXIT"), (Lines{"Lobby POSTED 41"}));
  EXPECT_EQ(splitter.Feed("\n"), (Lines{"EXIT"}));
}

TEST(LineSplitter, DropsCarriageReturnsAndKeepsEmptyLines) {
  bench::LineSplitter splitter;
  EXPECT_EQ(splitter.Feed("a\r\n\nb\r"), (Lines{"a", ""}));
  EXPECT_EQ(splitter.Feed("\n"), (Lines{"b"}));
  // A carriage return inside a line is part of it.
  EXPECT_EQ(splitter.Feed("c\rd\n"), (Lines{"c\rd"}));
}

// A file another handle appends to, as the chat client writes its log.
class Appender {
 public:
  explicit Appender(const std::wstring& path)
      : file_(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  void Write(const std::string& text) {
    DWORD written = 0;
    WriteFile(file_.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }

 private:
  drowsel::win32host::ScopedHandle file_;
};

std::wstring TempFile() {
  wchar_t folder[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH, folder);
  wchar_t path[MAX_PATH + 1] = {};
  GetTempFileNameW(folder, L"blt", 0, path);
  return path;
}

TEST(LineTail, FollowsAFileAsItGrows) {
  const std::wstring path = TempFile();
  {
    Appender log(path);
    log.Write("old line\n");
    bench::LineTail fromEnd(path, false);
    bench::LineTail fromStart(path, true);
    EXPECT_TRUE(fromEnd.ok() && fromStart.ok());
    EXPECT_TRUE(fromEnd.Read().empty());
    EXPECT_EQ(fromStart.Read(), (Lines{"old line"}));
    log.Write("Lobby POSTED 41\nLobby POS");
    EXPECT_EQ(fromEnd.Read(), (Lines{"Lobby POSTED 41"}));
    EXPECT_TRUE(fromEnd.Read().empty());
    log.Write("TED 42\n");
    EXPECT_EQ(fromEnd.Read(), (Lines{"Lobby POSTED 42"}));
    // More than one read's worth at once.
    const std::string longLine(10000, 'x');
    log.Write(longLine + "\nEXIT\n");
    EXPECT_EQ(fromEnd.Read(), (Lines{longLine, "EXIT"}));
    EXPECT_EQ(fromStart.Read(), (Lines{"Lobby POSTED 41", "Lobby POSTED 42", longLine, "EXIT"}));
  }
  DeleteFileW(path.c_str());
}

TEST(LineTail, AMissingFileReadsAsNothing) {
  bench::LineTail tail(L"Z:\\no\\such\\folder\\chat.log", true);
  EXPECT_FALSE(tail.ok());
  EXPECT_TRUE(tail.Read().empty());
}

}  // namespace
