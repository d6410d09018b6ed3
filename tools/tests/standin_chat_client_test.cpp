// Drives the client's windows in-process the way Drowsel finds and uses
// them: by class names down from the frame, and with ANSI messages.
#include <gtest/gtest.h>

#include "chat_client.h"

using standin::ChatClient;
using standin::ParseOptions;

namespace {

class MemoryLog : public standin::EventLog {
 public:
  void Line(std::string_view line) override { lines.emplace_back(line); }
  std::vector<std::string> lines;
};

struct Running {
  explicit Running(const std::vector<std::string>& args)
      : client(GetModuleHandleA(nullptr), *ParseOptions(args).options, log) {
    error = client.Create();
  }
  MemoryLog log;
  ChatClient client;
  std::string error;
};

HWND FirstDoc(HWND frame) {
  HWND mdi = FindWindowExA(frame, nullptr, "MDIClient", nullptr);
  return FindWindowExA(mdi, nullptr, "AOL Child", nullptr);
}

HWND Doc(HWND frame, const char* name) {
  HWND mdi = FindWindowExA(frame, nullptr, "MDIClient", nullptr);
  return FindWindowExA(mdi, nullptr, "AOL Child", name);
}

HWND Input(HWND doc) {
  return FindWindowExA(doc, nullptr, "RICHCNTL", nullptr);
}

std::string ClassOf(HWND hwnd) {
  char name[64] = {};
  GetClassNameA(hwnd, name, sizeof name);
  return name;
}

std::string TextOf(HWND hwnd) {
  std::string text(static_cast<size_t>(GetWindowTextLengthA(hwnd)) + 1, '\0');
  text.resize(
      static_cast<size_t>(GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

void Say(HWND input, const char* text) {
  SendMessageA(input, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
  SendMessageA(input, WM_CHAR, '\r', 0);
}

}  // namespace

TEST(StandinChatClient, WindowChainIsWhatDrowselLooksFor) {
  Running run({"--room", "Lobby", "--doc", "Mail", "--room", "Town"});
  ASSERT_EQ(run.error, "");
  HWND frame = run.client.frame();
  EXPECT_EQ(ClassOf(frame), "AOL Frame25");
  EXPECT_TRUE(IsWindowVisible(frame));
  EXPECT_EQ(FirstDoc(frame), Doc(frame, "Town"));  // last created is in front

  for (const char* room : {"Lobby", "Town"}) {
    HWND doc = Doc(frame, room);
    HWND input = GetWindow(doc, GW_CHILD);
    EXPECT_EQ(ClassOf(input), "RICHCNTL");
    HWND transcript = GetWindow(input, GW_HWNDNEXT);
    EXPECT_TRUE(transcript && ClassOf(transcript) != "RICHCNTL");
    EXPECT_TRUE(IsWindowVisible(transcript));
    LONG style = GetWindowLongA(transcript, GWL_STYLE);
    EXPECT_TRUE((style & ES_MULTILINE) && (style & ES_READONLY));
  }
  HWND mail = Doc(frame, "Mail");
  EXPECT_TRUE(mail != nullptr && Input(mail) == nullptr);
  EXPECT_EQ(run.log.lines.back(), "READY");
}

TEST(StandinChatClient, ReturnPostsTheRawBytesAndClearsTheInput) {
  Running run({"--room", "Lobby"});
  ASSERT_EQ(run.error, "");
  HWND doc = FirstDoc(run.client.frame());
  HWND input = Input(doc);
  HWND transcript = GetWindow(input, GW_HWNDNEXT);
  Say(input, "\x87 back \xb7");
  Say(input, "two");

  std::vector<std::string> expected = {"READY",
                                       "Lobby WM_SETTEXT 87206261636b20b7",
                                       "Lobby WM_CHAR 13",
                                       "Lobby POSTED 87206261636b20b7",
                                       "Lobby WM_SETTEXT 74776f",
                                       "Lobby WM_CHAR 13",
                                       "Lobby POSTED 74776f"};
  EXPECT_TRUE(run.log.lines == expected);
  EXPECT_EQ(TextOf(transcript), "\x87 back \xb7\r\ntwo");
  EXPECT_EQ(SendMessageA(input, WM_GETTEXTLENGTH, 0, 0), 0);
  EXPECT_EQ(run.log.lines.back(), "Lobby WM_GETTEXTLENGTH");
}

TEST(StandinChatClient, InputStartsWithTheDraft) {
  Running run({"--room", "Lobby", "--room", "Town", "--draft", "half a thought"});
  ASSERT_EQ(run.error, "");
  for (const char* room : {"Lobby", "Town"}) {
    char text[64] = {};
    SendMessageA(Input(Doc(run.client.frame(), room)), WM_GETTEXT, sizeof text,
                 reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(std::string(text), "half a thought");
  }
  EXPECT_EQ(run.log.lines.back(), "Town WM_GETTEXT 64");
}

TEST(StandinChatClient, FrontOptionPicksTheFirstDocument) {
  Running run({"--room", "Lobby", "--room", "Town", "--doc", "Mail", "--front", "Lobby"});
  ASSERT_EQ(run.error, "");
  HWND frame = run.client.frame();
  EXPECT_EQ(FirstDoc(frame), Doc(frame, "Lobby"));
  auto active = SendMessageA(run.client.mdi_client(), WM_MDIGETACTIVE, 0, 0);
  EXPECT_EQ(reinterpret_cast<HWND>(active), Doc(frame, "Lobby"));
}

TEST(StandinChatClient, SwitchThenExitAfterReturns) {
  Running run({"--room", "Lobby", "--doc", "Mail", "--front", "Lobby", "--switch-after", "1:Mail",
               "--exit-after", "2"});
  ASSERT_EQ(run.error, "");
  HWND frame = run.client.frame();
  HWND input = Input(Doc(frame, "Lobby"));
  Say(input, "one");
  EXPECT_EQ(run.log.lines.back(), "FRONT Mail");
  EXPECT_EQ(FirstDoc(frame), Doc(frame, "Mail"));

  Say(input, "two");
  EXPECT_TRUE(IsWindow(frame));  // the sender gets its answer first
  MSG msg{};
  bool quit = false;
  for (int i = 0; i < 100 && !quit; ++i) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) quit = true;
      DispatchMessageA(&msg);
    }
    if (!quit) Sleep(10);
  }
  EXPECT_TRUE(quit);
  EXPECT_TRUE(!IsWindow(frame));
  const std::vector<std::string>& lines = run.log.lines;
  EXPECT_TRUE(lines.size() >= 2 && lines[lines.size() - 2] == "Lobby POSTED 74776f");
  EXPECT_EQ(lines.back(), "EXIT");
}

TEST(StandinChatClient, StallMessageHoldsTheClientThenItAnswersAgain) {
  Running run({"--room", "Lobby"});
  ASSERT_EQ(run.error, "");
  const UINT stall = RegisterWindowMessageA(standin::StallMessageName);
  EXPECT_TRUE(PostMessageA(run.client.frame(), stall, 200, 0));
  const DWORD start = GetTickCount();
  MSG msg{};
  while (run.log.lines.back() != "ANSWERING" && GetTickCount() - start < 5000) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(10);
  }
  const DWORD took = GetTickCount() - start;
  EXPECT_TRUE(took >= 190 && took < 5000);
  const std::vector<std::string>& lines = run.log.lines;
  EXPECT_TRUE(lines.size() >= 3 && lines[lines.size() - 3] == "READY");
  EXPECT_EQ(lines[lines.size() - 2], "STALL 200");
  EXPECT_EQ(lines.back(), "ANSWERING");
  Say(Input(FirstDoc(run.client.frame())), "back");  // and it takes lines again
  EXPECT_EQ(run.log.lines.back(), "Lobby POSTED 6261636b");
}
