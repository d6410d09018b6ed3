// Posting one line into the chat client, against the fake host's window tree.
#include <gtest/gtest.h>

#include <cstdint>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "chat/catalogue.h"
#include "chat/send_chat.h"
#include "tests/unit/cp1252.h"
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
                              "SendMessageTimeoutW(4, WM_GETTEXTLENGTH, 0, 0, 0, 5000)",
                              "SendMessageTimeoutA(4, WM_SETTEXT, 0, \"hi \u2021\", 0, 5000)",
                              "SendMessageTimeoutA(4, WM_CHAR, 13, 0, 0, 5000)",
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

// What the user sees afterwards: their text, caret and selection as they left
// them, the room only the line. The draft goes in Unicode, the line in ANSI.
TEST(SendChatTest, KeepsTheUsersUnsentDraftAndCaret) {
  FakeHost host;
  const WindowHandle input = host.AddChatClient({u"Lobby"})[0];
  host.SetInputText(input, u"half a sent\u00b7ence \u03b1\u4e2d");
  host.SetSelection(input, 5, 9);
  SendChat(host, u"line");

  EXPECT_EQ(host.CallsStartingWith("SendMessageTimeoutA"),
            (Calls{
                "SendMessageTimeoutA(4, WM_SETTEXT, 0, \"line\", 0, 5000)",
                "SendMessageTimeoutA(4, WM_CHAR, 13, 0, 0, 5000)",
            }));
  EXPECT_EQ(host.PostedTexts(), std::vector<std::u16string>{u"line"});
  EXPECT_EQ(host.InputText(input), u"half a sent\u00b7ence \u03b1\u4e2d");
  EXPECT_EQ(host.Selection(input), (std::pair<std::uint16_t, std::uint16_t>{5, 9}));
}

// A client that acts on Enter a moment later must send the line, not the draft.
TEST(SendChatTest, PutsTheDraftBackOnlyOnceTheLineHasLeft) {
  FakeHost host;
  const WindowHandle input = host.AddChatClient({u"Lobby"})[0];
  host.SetInputText(input, u"private: do not send this");
  host.SetEnterDelay(input, 0.05);
  SendChat(host, u"line");
  EXPECT_EQ(host.PostedTexts(), std::vector<std::u16string>{u"line"});
  EXPECT_EQ(host.InputText(input), u"private: do not send this");
  EXPECT_LT(host.Now(), 0.2);
}

// Still holding the line at the bound: the line may yet go, so the draft stays
// out of the input, and the line left there is not taken for a draft next time.
TEST(SendChatTest, ALineNeverTakenKeepsTheDraftOutAndIsNotADraftItself) {
  FakeHost host;
  const WindowHandle input = host.AddChatClient({u"Lobby"})[0];
  host.SetInputText(input, u"draft");
  host.SetEnterDelay(input, 30.0);
  SendChat(host, MsgReason(u"lunch"));
  EXPECT_EQ(host.InputText(input), MsgReason(u"lunch"));
  EXPECT_LE(host.Now(), 1.1);

  host.SetEnterDelay(input, 0.0);
  SendChat(host, MsgBanner);
  host.RunUntil(60.0);
  EXPECT_EQ(host.PostedTexts(), std::vector<std::u16string>{std::u16string(MsgBanner)});
  EXPECT_EQ(host.InputText(input), u"");
}

// The tick count wraps to 0 every 49.7 days; a wait across the wrap is still
// bounded at its second, neither cut short nor endless.
TEST(SendChatTest, TheWaitForTheLineIsBoundedAcrossTheTickCountsWrap) {
  FakeHost host;
  const WindowHandle input = host.AddChatClient({u"Lobby"})[0];
  host.SetTickCount(0xFFFFFFFFu - 300);
  host.SetInputText(input, u"draft");
  host.SetEnterDelay(input, 30.0);
  SendChat(host, u"line");
  EXPECT_GE(host.Now(), 1.0);
  EXPECT_LE(host.Now(), 1.1);
}

// A client that stops answering around its Enter, inside it or just after
// taking it, may still send what the input holds: the draft stays out, and
// the line gives up after one bound.
TEST(SendChatTest, AClientThatHangsAtItsEnterKeepsTheDraftOut) {
  for (const bool inside : {true, false}) {
    FakeHost host;
    const WindowHandle input = host.AddChatClient({u"Lobby"})[0];
    host.SetInputText(input, u"draft");
    if (inside) {
      host.SetHungOnEnter(input);
    } else {
      host.SetEnterDelay(input, 30.0);  // the line is still pending when it hangs
      host.SetHungAfterEnter(input);
    }
    SendChat(host, u"line");
    EXPECT_EQ(host.InputText(input), u"line") << (inside ? "inside" : "after");
    EXPECT_DOUBLE_EQ(host.Now(), 5.0) << (inside ? "inside" : "after");
    EXPECT_TRUE(host.CallsStartingWith("SendMessageTimeoutW(4, WM_SETTEXT").empty())
        << (inside ? "inside" : "after");
  }
}

// At the edges of the wait for the client to take the line: the room gets the
// line and never the draft, and the draft is back within a poll of the line
// leaving, or stays out once the wait has given up.
TEST(SendChatTest, TheDraftComesBackAtTheEdgesOfTheWait) {
  struct Case {
    const char* name;
    bool ansiInput;
    std::u16string line, draft;
    double enterDelay;
    bool draftBack;
  };
  const Case cases[] = {
      // The input holds the reason with '?' for each letter it lacks.
      {"a reason the input's code page lacks", true, MsgReason(u"\u043e\u0431\u0435\u0434"),
       u"private", 0.05, true},
      // ... and one it writes with look-alike letters: "Lódz" is still the line.
      {"a reason with look-alikes", false, MsgReason(u"\u0141\u00f3d\u017a"),
       u"private: do not send this", 0.05, true},
      {"the longest draft kept", false, u"line", std::u16string(0xFFFF, u'd'), 0.0, true},
      {"taken between two polls", false, u"line", u"private", 0.023, true},
      {"taken just inside the bound", false, u"line", u"private", 0.995, true},
      {"taken just past the bound", false, u"line", u"private", 1.005, false},
  };
  for (const Case& c : cases) {
    FakeHost host;
    const WindowHandle input = host.AddChatClient({u"Lobby"})[0];
    if (c.ansiInput) host.SetAnsi(input);
    host.SetInputText(input, c.draft);
    host.SetEnterDelay(input, c.enterDelay);
    SendChat(host, c.line);
    const double returned = host.Now();
    host.RunUntil(3.0);

    EXPECT_EQ(host.PostedTexts(), std::vector<std::u16string>{testing::ThroughCp1252(c.line)})
        << c.name;
    EXPECT_EQ(host.InputText(input), c.draftBack ? c.draft : u"") << c.name;
    EXPECT_LE(returned, c.enterDelay + 0.0101) << c.name;
    // One look at the input every 10 ms at most.
    EXPECT_LE(host.CallsStartingWith("SendMessageTimeoutW(4, WM_GETTEXTLENGTH").size(),
              static_cast<std::size_t>(c.enterDelay * 100) + 3)
        << c.name;
  }
}

// A line of ours still in the input, which the client never took, goes rather
// than coming back after the next line as though the user had typed it; in a
// code page without the lines' daggers and dots too, as the input holds it.
TEST(SendChatTest, NoLineOfOursIsTakenForADraft) {
  std::vector<std::u16string> ours;
  for (const FixedEntry& fixed : FixedEntries) ours.emplace_back(fixed.text);
  for (const ComposedEntry& composed : ComposedEntries) {
    ours.push_back(composed.compose(u""));
    ours.push_back(composed.compose(u"12"));
  }
  for (auto* codePage : {&testing::ThroughCp1252, &testing::ThroughCodePageWithoutDaggers}) {
    for (const std::u16string& line : ours) {
      FakeHost host;
      host.ansiCodePage = codePage;
      const WindowHandle input = host.AddChatClient({u"Lobby"})[0];
      const std::u16string stuck = ThroughAnsiCodePage(host, line);
      host.SetInputText(input, stuck);
      SendChat(host, u"next");
      EXPECT_EQ(host.PostedTexts(), std::vector<std::u16string>{u"next"}) << testing::Utf8(stuck);
      EXPECT_EQ(host.InputText(input), u"") << testing::Utf8(stuck);
    }
  }
}

// A length no draft has is not asked for; and whatever fails while a line is
// sent (here the host throws once the line is in) costs that line alone.
TEST(SendChatTest, AnAbsurdLengthIsNoDraftAndAFailureCostsOneLine) {
  FakeHost host;
  const WindowHandle input = host.AddChatClient({u"Lobby"})[0];
  host.SetInputText(input, u"x");
  host.SetLengthAnswer(input, 0x7FFFFFF0);
  SendChat(host, u"line");
  EXPECT_EQ(host.PostedTexts(), std::vector<std::u16string>{u"line"});
  EXPECT_TRUE(host.CallsStartingWith("SendMessageTimeoutW(4, WM_GETTEXT,").empty());

  host.onPosted = [](const FakeHost::PostedLine&) { throw std::bad_alloc(); };
  EXPECT_NO_THROW(SendChat(host, u"thrown"));
  host.onPosted = nullptr;
  SendChat(host, u"next");
  EXPECT_EQ(host.PostedTexts(), (std::vector<std::u16string>{u"line", u"thrown", u"next"}));
}

// Each line waits out one bound and gives up at its first unanswered message.
TEST(SendChatTest, AHungClientCostsOneBoundPerLine) {
  FakeHost host;
  const WindowHandle input = host.AddChatClient({u"Lobby"})[0];
  host.SetHung(input);
  SendChat(host, u"one");
  EXPECT_DOUBLE_EQ(host.Now(), 5.0);
  EXPECT_EQ(host.CallsStartingWith("SendMessage").size(), 1u);
  SendChat(host, u"two");
  EXPECT_DOUBLE_EQ(host.Now(), 10.0);
  EXPECT_EQ(host.CallsStartingWith("SendMessage").size(), 2u);
  EXPECT_TRUE(host.posted().empty());
}

// Busy for a while, the client is flagged as not responding, yet it answers.
TEST(SendChatTest, AClientFlaggedAsNotRespondingStillGetsTheWholeLine) {
  FakeHost host;
  const WindowHandle input = host.AddChatClient({u"Lobby"})[0];
  host.SetInputText(input, u"draft");
  host.SetFlagged(input);
  SendChat(host, u"line");
  EXPECT_EQ(host.PostedTexts(), std::vector<std::u16string>{u"line"});
  EXPECT_EQ(host.InputText(input), u"draft");
}

}  // namespace
}  // namespace drowsel
