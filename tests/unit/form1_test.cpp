// The window's handlers on the fake host: which lines go out, in which order,
// how far apart, and how sequences nest when clicks and ticks arrive inside a
// pause.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/form1.h"
#include "chat/catalogue.h"
#include "tests/unit/fake_host.h"

namespace drowsel {
namespace {

using testing::FakeHost;
using Lines = std::vector<std::u16string>;

const std::u16string InitialReason = u"Reason idle......";

class Form1Test : public ::testing::Test {
 protected:
  void SetUp() override {
    host_.SetClock(36000.0);  // 10:00:00
    host_.AddChatClient({u"Lobby"});
    host_.Attach(form_);
    host_.RunLoad();  // the greeting takes the first second
  }

  // The lines posted after the greeting, and the times they went out.
  Lines LinesAfterLoad() const {
    Lines lines = host_.PostedTexts();
    lines.erase(lines.begin(), lines.begin() + 2);
    return lines;
  }
  std::vector<double> TimesAfterLoad() const {
    std::vector<double> times;
    for (std::size_t i = 2; i < host_.posted().size(); ++i) times.push_back(host_.posted()[i].time);
    return times;
  }

  void ExpectRunning(bool running, std::u16string_view count) {
    EXPECT_EQ(host_.IsEnabled(Control::Command1), !running);
    EXPECT_EQ(host_.IsEnabled(Control::Command2), running);
    EXPECT_EQ(host_.IsEnabled(Control::Text1), !running);
    EXPECT_EQ(host_.IsEnabled(Control::Timer1), running);
    EXPECT_EQ(host_.GetText(Control::Label1), count);
  }

  FakeHost host_;
  Form1 form_{host_, host_};
};

TEST_F(Form1Test, LoadGreetsPutsTheWindowOnTopAndRests) {
  EXPECT_EQ(host_.PostedTexts(), (Lines{std::u16string(MsgLoaded), std::u16string(MsgCreditLoad)}));
  EXPECT_DOUBLE_EQ(host_.posted()[1].time - host_.posted()[0].time, 1.0);
  const auto& calls = host_.calls();
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[0], "SetEnabled(Command2, false)");
  EXPECT_EQ(calls[1], "SetWindowPos(240, HWND_TOPMOST, 0, 0, 0, 0, 3)");
  ExpectRunning(false, u"  0");
  EXPECT_EQ(host_.GetText(Control::Text1), InitialReason);
}

TEST_F(Form1Test, StartTicksAndStopFollowTheirScript) {
  host_.ClickAt(2.0, Control::Command1);
  host_.RunUntil(3.5);
  ExpectRunning(true, u"  0");
  // The first tick comes a minute after the timer was enabled (at 3.0, once
  // the reason had gone), not a minute after the click.
  host_.RunUntil(62.9);
  EXPECT_EQ(host_.timerTicks(), 0);
  host_.RunUntil(66.0);
  EXPECT_EQ(host_.timerTicks(), 1);
  host_.ClickAt(70.0, Control::Command2);
  host_.RunUntil(72.0);

  EXPECT_EQ(LinesAfterLoad(), (Lines{
                                  std::u16string(MsgStarted),
                                  MsgReason(InitialReason),
                                  std::u16string(MsgBanner),
                                  MsgReason(InitialReason),
                                  MsgIdleFor(u"1"),
                                  std::u16string(MsgStopped),
                                  MsgTotalIdle(u"1"),
                              }));
  EXPECT_EQ(TimesAfterLoad(), (std::vector<double>{2, 3, 63, 64, 65, 70, 71}));
  ExpectRunning(false, u"  0");
}

TEST_F(Form1Test, StartReadsTheReasonAfterItsPause) {
  host_.ClickAt(2.0, Control::Command1);
  host_.At(2.5, [&] { host_.SetText(Control::Text1, u"gone <b>fishing</b>"); });
  host_.RunUntil(4.0);
  EXPECT_EQ(LinesAfterLoad().back(), MsgReason(u"gone <b>fishing</b>"));
  EXPECT_EQ(host_.calls().back(), "SetEnabled(Text1, false)");
}

TEST_F(Form1Test, CountsEveryMinuteAndRestartsAfterStop) {
  host_.ClickAt(2.0, Control::Command1);
  host_.RunUntil(3.0 + 5 * 60 + 5);
  EXPECT_EQ(host_.GetText(Control::Label1), u"5");
  EXPECT_EQ(LinesAfterLoad().back(), MsgIdleFor(u"5"));

  host_.ClickAt(400.0, Control::Command2);
  host_.ClickAt(410.0, Control::Command1);
  host_.RunUntil(411.0 + 60 + 3);
  EXPECT_EQ(LinesAfterLoad().back(), MsgIdleFor(u"1"));
}

TEST_F(Form1Test, StopBeforeTheFirstMinuteTotalsTheResetCount) {
  host_.ClickAt(2.0, Control::Command1);
  host_.ClickAt(10.0, Control::Command2);
  host_.RunUntil(20.0);
  EXPECT_EQ(LinesAfterLoad().back(), MsgTotalIdle(u"  0"));
  EXPECT_EQ(host_.timerTicks(), 0);
}

TEST_F(Form1Test, AdvertiseWorksInEitherStateAndTouchesNoControl) {
  host_.ClickAt(2.0, Control::Command3);
  host_.RunUntil(5.0);
  host_.ClickAt(5.0, Control::Command1);
  host_.ClickAt(8.0, Control::Command3);
  host_.RunUntil(11.0);
  const Lines advert{std::u16string(MsgBanner), std::u16string(MsgCreditLoad),
                     std::u16string(MsgMaker)};
  Lines expected = advert;
  expected.push_back(std::u16string(MsgStarted));
  expected.push_back(MsgReason(InitialReason));
  expected.insert(expected.end(), advert.begin(), advert.end());
  EXPECT_EQ(LinesAfterLoad(), expected);
  EXPECT_EQ(TimesAfterLoad(), (std::vector<double>{2, 3, 4, 5, 6, 8, 9, 10}));
  ExpectRunning(true, u"  0");
}

TEST_F(Form1Test, ExitPostsTheFarewellWithoutATotalAndUnloads) {
  host_.ClickAt(2.0, Control::Command1);
  host_.ClickAt(5.0, Control::Command5);
  host_.RunUntil(100.0);
  const Lines lines = LinesAfterLoad();
  EXPECT_EQ(Lines(lines.end() - 2, lines.end()),
            (Lines{std::u16string(MsgUnloaded), std::u16string(MsgCreditExit)}));
  EXPECT_FALSE(host_.FormExists());
  EXPECT_EQ(host_.timerTicks(), 0);  // the timer died with the window
  EXPECT_FALSE(host_.touchedAfterUnload());
}

// KillTimer leaves a tick already queued, and any program can post one.
TEST_F(Form1Test, ATickWhileStoppedDoesNothing) {
  host_.At(1.5, [&] { form_.Tick(); });
  host_.ClickAt(2.0, Control::Command1);
  host_.ClickAt(10.0, Control::Command2);
  host_.At(12.5, [&] { form_.Tick(); });
  host_.RunUntil(20.0);
  EXPECT_EQ(LinesAfterLoad(), (Lines{std::u16string(MsgStarted), MsgReason(InitialReason),
                                     std::u16string(MsgStopped), MsgTotalIdle(u"  0")}));
  ExpectRunning(false, u"  0");
}

// Ticks that another program posts while Running count no minute, by the
// clock: only the timer's own, a tick 30 ms early included. The real tick is
// never lost, and one that came late (the pump held for 2 s) leaves the next
// on time (59 s later).
TEST_F(Form1Test, OnlyAWholeIntervalCountsAMinute) {
  host_.ClickAt(2.0, Control::Command1);  // the timer runs from 3.0: ticks at 63, 123, ...
  for (double forged : {3.5, 30.0, 62.5, 63.5, 64.5, 90.0, 122.97, 124.0}) {
    host_.At(forged, [&] { form_.Tick(); });
  }
  host_.At(182.0, [&] { host_.Sleep(2000); });
  host_.ClickAt(250.0, Control::Command2);
  host_.RunUntil(260.0);

  std::vector<double> banners;
  for (const auto& line : host_.posted()) {
    if (line.text == MsgBanner) banners.push_back(line.time);
  }
  EXPECT_EQ(banners, (std::vector<double>{63, 122.97, 184, 243}));
  EXPECT_EQ(LinesAfterLoad().back(), MsgTotalIdle(u"4"));
  EXPECT_EQ(host_.timerTicks(), 4);
}

// --- nesting: events handled inside another sequence's pause ---

TEST_F(Form1Test, AFloodOfClicksNestsNoDeeperThanTheBoundAndStartedOnesFinish) {
  constexpr int Clicks = Form1::NestingBound + 50;
  for (int i = 0; i < Clicks; ++i) host_.ClickAt(2.0 + i * 0.001, Control::Command3);
  host_.At(2.5, [&] { form_.MouseDown(); });  // a press on the picture, at the bound
  host_.RunUntil(2.0 + 3 * Form1::NestingBound);
  EXPECT_TRUE(host_.CallsStartingWith("ReleaseCapture").empty());
  const Lines lines = LinesAfterLoad();
  const auto count = [&](std::u16string_view line) {
    return std::count(lines.begin(), lines.end(), line);
  };
  // The deepest level is Exit's alone.
  constexpr int Levels = Form1::NestingBound - 1;
  EXPECT_EQ(count(MsgBanner), Levels);
  EXPECT_EQ(count(MsgCreditLoad), Levels);
  EXPECT_EQ(count(MsgMaker), Levels);
  EXPECT_EQ(lines.size(), 3u * Levels);
}

TEST_F(Form1Test, ExitGetsInAtTheBound) {
  for (int i = 0; i < Form1::NestingBound + 50; ++i)
    host_.ClickAt(2.0 + i * 0.001, Control::Command3);
  host_.ClickAt(2.5, Control::Command5);
  host_.RunUntil(20.0);
  const Lines lines = LinesAfterLoad();
  ASSERT_EQ(lines.size(), Form1::NestingBound - 1 + 2u);
  EXPECT_EQ(Lines(lines.end() - 2, lines.end()),
            (Lines{std::u16string(MsgUnloaded), std::u16string(MsgCreditExit)}));
  EXPECT_FALSE(host_.FormExists());
}

TEST_F(Form1Test, ASecondStartInsideStartsPauseRunsWholeAndEndsRunning) {
  host_.ClickAt(2.0, Control::Command1);
  host_.ClickAt(2.4, Control::Command1);  // Start is still enabled during the pause
  host_.RunUntil(10.0);
  EXPECT_EQ(LinesAfterLoad(), (Lines{std::u16string(MsgStarted), std::u16string(MsgStarted),
                                     MsgReason(InitialReason), MsgReason(InitialReason)}));
  ExpectRunning(true, u"  0");
  // Enabling a running timer again keeps its schedule: one tick a minute.
  host_.RunUntil(3.0 + 120 + 2.5);
  EXPECT_EQ(host_.timerTicks(), 2);
}

TEST_F(Form1Test, StopInsideATicksPausesRunsFirstThenTheTickReadsTheResetCount) {
  host_.ClickAt(2.0, Control::Command1);
  host_.ClickAt(63.5, Control::Command2);  // the tick at 63 is in its first pause
  host_.RunUntil(80.0);
  EXPECT_EQ(LinesAfterLoad(), (Lines{
                                  std::u16string(MsgStarted),
                                  MsgReason(InitialReason),
                                  std::u16string(MsgBanner),
                                  std::u16string(MsgStopped),
                                  MsgTotalIdle(u"1"),
                                  MsgReason(InitialReason),
                                  MsgIdleFor(u"  0"),
                              }));
  ExpectRunning(false, u"  0");
}

TEST_F(Form1Test, TwoAdvertisementsInterleave) {
  host_.ClickAt(2.0, Control::Command3);
  host_.ClickAt(2.3, Control::Command3);
  host_.RunUntil(10.0);
  EXPECT_EQ(LinesAfterLoad(), (Lines{std::u16string(MsgBanner), std::u16string(MsgBanner),
                                     std::u16string(MsgCreditLoad), std::u16string(MsgMaker),
                                     std::u16string(MsgCreditLoad), std::u16string(MsgMaker)}));
}

TEST_F(Form1Test, ATickInsideAnotherPausePutsItsLinesBetween) {
  host_.ClickAt(2.0, Control::Command1);
  host_.ClickAt(62.8, Control::Command3);  // the tick falls due at 63, inside the advert
  host_.RunUntil(70.0);
  const Lines lines = LinesAfterLoad();
  EXPECT_EQ(Lines(lines.begin() + 2, lines.end()),
            (Lines{std::u16string(MsgBanner), std::u16string(MsgBanner), MsgReason(InitialReason),
                   MsgIdleFor(u"1"), std::u16string(MsgCreditLoad), std::u16string(MsgMaker)}));
}

// Exit clicked inside the pauses of each kind of sequence: the farewell goes
// out, the outer sequence ends at once, nothing touches the window afterwards.
TEST(Form1ExitTest, ExitInsideAnotherSequenceEndsItWithoutAnotherLine) {
  struct Case {
    const char* name;
    std::vector<std::pair<double, Control>> clicks;
    std::size_t linesBeforeExit;
  };
  const Case cases[] = {
      {"advert", {{2.0, Control::Command3}, {2.5, Control::Command5}}, 1},
      {"advert's second pause", {{2.0, Control::Command3}, {3.5, Control::Command5}}, 2},
      {"start", {{2.0, Control::Command1}, {2.5, Control::Command5}}, 1},
      {"stop", {{2.0, Control::Command1}, {10.0, Control::Command2}, {10.5, Control::Command5}}, 3},
      {"tick", {{2.0, Control::Command1}, {63.5, Control::Command5}}, 3},
      {"exit", {{2.0, Control::Command5}, {2.5, Control::Command5}}, 1},
  };
  for (const Case& c : cases) {
    FakeHost host;
    Form1 form(host, host);
    host.AddChatClient({u"Lobby"});
    host.Attach(form);
    host.RunLoad();
    for (const auto& [at, button] : c.clicks) host.ClickAt(at, button);
    host.RunUntil(200.0);

    Lines lines = host.PostedTexts();
    lines.erase(lines.begin(), lines.begin() + 2);
    ASSERT_EQ(lines.size(), c.linesBeforeExit + 2) << c.name;
    EXPECT_EQ(Lines(lines.end() - 2, lines.end()),
              (Lines{std::u16string(MsgUnloaded), std::u16string(MsgCreditExit)}))
        << c.name;
    EXPECT_FALSE(host.FormExists()) << c.name;
    EXPECT_FALSE(host.touchedAfterUnload()) << c.name;
    EXPECT_EQ(host.CallsStartingWith("UnloadForm").size(), 1u) << c.name;
  }
}

// A chat client that has stopped answering costs each line one bound, so
// Start and Exit still end within 15 s and a minute's tick within 20 s.
TEST(Form1HungClientTest, StartATickAndExitEndInTime) {
  FakeHost host;
  Form1 form(host, host);
  const WindowHandle input = host.AddChatClient({u"Lobby"})[0];
  host.Attach(form);
  host.RunLoad();
  host.SetHung(input);
  const auto took = [&](auto&& event) {
    const double start = host.Now();
    event();
    return host.Now() - start;
  };
  EXPECT_LE(took([&] { form.Click(Control::Command1); }), 15.0);
  EXPECT_LE(took([&] { form.Tick(); }), 20.0);
  EXPECT_LE(took([&] { form.Click(Control::Command5); }), 15.0);
  EXPECT_EQ(host.posted().size(), 2u);  // the greeting alone
  EXPECT_FALSE(host.FormExists());
}

// The window closed (by another program) while Start's or Stop's last line
// goes out: the handler ends there, touching no control.
TEST(Form1ExitTest, AWindowClosedDuringTheLastLineEndsStartAndStop) {
  struct Case {
    const char* name;
    std::vector<std::pair<double, Control>> clicks;
    std::u16string lastLine;
  };
  const Case cases[] = {
      {"start", {{2.0, Control::Command1}}, MsgReason(InitialReason)},
      {"stop", {{2.0, Control::Command1}, {10.0, Control::Command2}}, MsgTotalIdle(u"  0")},
  };
  for (const Case& c : cases) {
    FakeHost host;
    Form1 form(host, host);
    host.AddChatClient({u"Lobby"});
    host.Attach(form);
    host.RunLoad();
    host.onPosted = [&](const FakeHost::PostedLine& line) {
      if (line.text == c.lastLine) host.UnloadForm();
    };
    for (const auto& [at, button] : c.clicks) host.ClickAt(at, button);
    host.RunUntil(20.0);
    EXPECT_EQ(host.PostedTexts().back(), c.lastLine) << c.name;
    EXPECT_FALSE(host.touchedAfterUnload()) << c.name;
  }
}

TEST(Form1QuitTest, AQuitRequestInsideAPauseEndsTheSequence) {
  FakeHost host;
  Form1 form(host, host);
  host.AddChatClient({u"Lobby"});
  host.Attach(form);
  host.QuitAt(0.5);  // during the greeting's pause
  host.RunLoad();
  EXPECT_EQ(host.PostedTexts(), (Lines{std::u16string(MsgLoaded)}));
}

TEST(Form1DragTest, APressAnywhereOnTheSurfaceStartsTheMove) {
  FakeHost host;
  Form1 form(host, host);
  form.MouseDown();
  EXPECT_EQ(host.calls(), (std::vector<std::string>{"ReleaseCapture()",
                                                    "SendMessageA(240, WM_NCLBUTTONDOWN, 2, 0)"}));
}

}  // namespace
}  // namespace drowsel
