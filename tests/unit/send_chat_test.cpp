// Posting one line into the chat client, against the fake host's window tree.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chat/send_chat.h"
#include "tests/unit/fake_host.h"

namespace drowsel {
namespace {

using testing::FakeHost;
using Calls = std::vector<std::string>;

TEST(SendChatTest, LooksUpTheChainThenReplacesTheTextAndTypesEnter) {
  FakeHost host;
  const WindowHandle input = host.AddChatClient({u"Lobby"})[0];
  SendChat(host, u"hi \u2021");

  EXPECT_EQ(host.calls(), (Calls{
                              "FindWindowA(AOL Frame25, null) = 1",
                              "FindWindowExA(1, 0, MDIClient, null) = 2",
                              "FindWindowExA(2, 0, AOL Child, null) = 3",
                              "FindWindowExA(3, 0, RICHCNTL, null) = 4",
                              "SendMessageTimeoutA(4, WM_GETTEXTLENGTH, 0, 0, 2, 5000)",
                              "SendMessageTimeoutA(4, WM_SETTEXT, 0, \"hi \u2021\", 2, 5000)",
                              "SendMessageTimeoutA(4, WM_CHAR, 13, 0, 2, 5000)",
                          }));
  ASSERT_EQ(host.posted().size(), 1u);
  EXPECT_EQ(host.posted()[0].input, input);
  EXPECT_EQ(host.posted()[0].text, u"hi \u2021");
  EXPECT_EQ(host.InputText(input), u"");
}

TEST(SendChatTest, NoClientMeansNoMessageAtAll) {
  FakeHost host;
  host.AddWindow(NoWindow, u"Notepad");
  host.AddWindow(1, u"RICHCNTL");  // another program's rich text control
  SendChat(host, u"line");
  EXPECT_EQ(host.calls(), (Calls{"FindWindowA(AOL Frame25, null) = 0"}));
  EXPECT_TRUE(host.posted().empty());
}

// A missing level must not pass a null parent on: that would search the
// top-level windows and could reach another program's window of that class.
TEST(SendChatTest, StopsAtTheFirstMissingWindowOfTheChain) {
  struct Case {
    const char* name;
    std::vector<std::pair<int, std::u16string>> windows;  // parent index (-1 top), class
    std::size_t lookups;
  };
  const Case cases[] = {
      {"frame without a document area", {{-1, u"AOL Frame25"}}, 2},
      {"no document open", {{-1, u"AOL Frame25"}, {0, u"MDIClient"}}, 3},
      {"frontmost document is not a chat room",
       {{-1, u"AOL Frame25"}, {0, u"MDIClient"}, {1, u"AOL Child"}, {2, u"Static"}},
       4},
  };
  for (const Case& c : cases) {
    FakeHost host;
    // Decoys that a null parent would find among the top-level windows.
    host.AddWindow(NoWindow, u"MDIClient");
    host.AddWindow(NoWindow, u"AOL Child");
    host.AddWindow(NoWindow, u"RICHCNTL");
    std::vector<WindowHandle> made;
    for (const auto& [parent, className] : c.windows) {
      made.push_back(host.AddWindow(parent < 0 ? NoWindow : made[parent], className));
    }
    SendChat(host, u"line");
    EXPECT_EQ(host.calls().size(), c.lookups) << c.name;
    EXPECT_TRUE(host.CallsStartingWith("SendMessage").empty()) << c.name;
    EXPECT_TRUE(host.posted().empty()) << c.name;
  }
}

TEST(SendChatTest, GoesToTheFrontmostDocumentEachTime) {
  FakeHost host;
  const std::vector<WindowHandle> inputs = host.AddChatClient({u"Lobby", u"Trivia"});
  SendChat(host, u"one");
  host.BringToFront(inputs[1] - 1);  // the Trivia document
  SendChat(host, u"two");
  ASSERT_EQ(host.posted().size(), 2u);
  EXPECT_EQ(host.posted()[0].input, inputs[0]);
  EXPECT_EQ(host.posted()[1].input, inputs[1]);
}

TEST(SendChatTest, KeepsTheUsersUnsentDraft) {
  FakeHost host;
  const WindowHandle input = host.AddChatClient({u"Lobby"})[0];
  host.SetInputText(input, u"half a sent\u00b7ence");
  SendChat(host, u"line");

  EXPECT_EQ(host.CallsStartingWith("SendMessageTimeoutA"),
            (Calls{
                "SendMessageTimeoutA(4, WM_GETTEXTLENGTH, 0, 0, 2, 5000)",
                "SendMessageTimeoutA(4, WM_GETTEXT, 17, buffer, 2, 5000)",
                "SendMessageTimeoutA(4, WM_SETTEXT, 0, \"line\", 2, 5000)",
                "SendMessageTimeoutA(4, WM_CHAR, 13, 0, 2, 5000)",
                "SendMessageTimeoutA(4, WM_SETTEXT, 0, \"half a sent\u00b7ence\", 2, 5000)",
            }));
  EXPECT_EQ(host.PostedTexts(), std::vector<std::u16string>{u"line"});
  EXPECT_EQ(host.InputText(input), u"half a sent\u00b7ence");
}

TEST(SendChatTest, AHungClientCostsOneTimeoutThenNothing) {
  FakeHost host;
  const WindowHandle input = host.AddChatClient({u"Lobby"})[0];
  host.SetHung(input);
  SendChat(host, u"one");
  EXPECT_DOUBLE_EQ(host.Now(), 5.0);
  EXPECT_EQ(host.CallsStartingWith("SendMessage").size(), 1u);  // nothing after the timeout
  SendChat(host, u"two");
  EXPECT_DOUBLE_EQ(host.Now(), 5.0);
  EXPECT_TRUE(host.posted().empty());
}

}  // namespace
}  // namespace drowsel
