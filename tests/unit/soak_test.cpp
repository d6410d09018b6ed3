// A whole day in Running on the virtual clock: 1440 ticks, each posting its
// three lines a minute apart from the last, and nothing in the program or the
// host piling up from one tick to the next.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/form1.h"
#include "chat/catalogue.h"
#include "tests/unit/fake_host.h"

namespace drowsel {
namespace {

using testing::FakeHost;

constexpr int Ticks = 24 * 60;
constexpr double StartClick = 2.0;
constexpr double FirstTick = 63.0;  // a minute after Start enabled the timer, at 3.0
// The 700th tick falls at 23:59:59, so that its pauses cross midnight.
constexpr double ClockStart = 86399.0 - (FirstTick + 699 * 60.0);

// What the host looked like around one tick.
struct TickSample {
  std::size_t callsBefore, callsAfter;  // the fake's record, "tick" included
  int pumps, waits;                     // during the tick
  std::size_t pendingAtEntry, pendingAtExit;
};

// Forwards the window's events to Form1 and samples the host around ticks.
class TickWatch final : public FormEvents {
 public:
  explicit TickWatch(FakeHost& host) : host_(host), form_(host, host) {}

  void Load() override { form_.Load(); }
  void MouseDown() override { form_.MouseDown(); }
  void Click(Control button) override { form_.Click(button); }
  void Tick() override {
    TickSample sample{};
    sample.callsBefore = host_.calls().size() - 1;  // the fake records "tick" first
    sample.pendingAtEntry = host_.pendingEvents();
    const int pumps = host_.pumps(), waits = host_.waits();
    form_.Tick();
    sample.callsAfter = host_.calls().size();
    sample.pumps = host_.pumps() - pumps;
    sample.waits = host_.waits() - waits;
    sample.pendingAtExit = host_.pendingEvents();
    samples_.push_back(sample);
  }

  const std::vector<TickSample>& samples() const { return samples_; }

 private:
  FakeHost& host_;
  Form1 form_;
  std::vector<TickSample> samples_;
};

std::u16string Decimal(int n) {
  const std::string ascii = std::to_string(n);
  return std::u16string(ascii.begin(), ascii.end());
}

// A tick's calls with its minute count written as N, so that any two ticks
// can be compared.
std::vector<std::string> CallsOfTick(const FakeHost& host, const TickSample& sample, int minute) {
  const std::string count = std::to_string(minute);
  const std::string patterns[][2] = {{"\"" + count + "\"", "\"N\""},
                                     {"<u>" + count + " Min(s)", "<u>N Min(s)"}};
  std::vector<std::string> calls(host.calls().begin() + sample.callsBefore,
                                 host.calls().begin() + sample.callsAfter);
  for (std::string& call : calls) {
    for (const auto& [from, to] : patterns) {
      for (auto at = call.find(from); at != std::string::npos; at = call.find(from, at)) {
        call.replace(at, from.size(), to);
      }
    }
  }
  return calls;
}

TEST(SoakTest, ADayOfTicksPostsTheSameThreeLinesEveryMinuteAndGrowsNothing) {
  FakeHost host;
  host.SetClock(ClockStart);
  const WindowHandle input = host.AddChatClient({u"Lobby"}).front();
  TickWatch form(host);
  host.Attach(form);
  host.RunLoad();
  host.ClickAt(StartClick, Control::Command1);
  // The last tick's last line goes out two seconds after it; the next tick
  // would be a minute later.
  host.RunUntil(FirstTick + (Ticks - 1) * 60.0 + 30.0);

  ASSERT_EQ(host.timerTicks(), Ticks);
  ASSERT_EQ(form.samples().size(), static_cast<std::size_t>(Ticks));
  EXPECT_EQ(host.GetText(Control::Label1), u"1440");
  EXPECT_TRUE(host.IsEnabled(Control::Timer1));
  EXPECT_FALSE(host.IsEnabled(Control::Command1));

  // Nothing but what the count explains: the greeting, Start, three a tick.
  const auto& posted = host.posted();
  ASSERT_EQ(posted.size(), 2u + 2u + 3u * Ticks);
  const std::u16string reason = u"Reason idle......";
  const std::u16string expected[] = {std::u16string(MsgBanner), MsgReason(reason), u""};
  int firstWrong = -1;
  for (int tick = 0; tick < Ticks && firstWrong < 0; ++tick) {
    const double due = FirstTick + tick * 60.0;
    for (int line = 0; line < 3; ++line) {
      const FakeHost::PostedLine& posted_line = posted[4 + 3 * tick + line];
      const std::u16string text = line < 2 ? expected[line] : MsgIdleFor(Decimal(tick + 1));
      if (posted_line.text != text || posted_line.time != due + line) firstWrong = tick + 1;
    }
  }
  EXPECT_EQ(firstWrong, -1) << "the first tick whose lines are wrong or late";
  EXPECT_EQ(posted.back().text, MsgIdleFor(u"1440"));
  EXPECT_EQ(posted.back().time, FirstTick + (Ticks - 1) * 60.0 + 2.0);

  // Every tick costs the host the same: the same calls, pumps and waits, and
  // the event queue holds only the next tick.
  const TickSample& first = form.samples().front();
  const TickSample& last = form.samples().back();
  EXPECT_EQ(CallsOfTick(host, last, Ticks), CallsOfTick(host, first, 1));
  for (const TickSample& sample : form.samples()) {
    const int tick = static_cast<int>(&sample - form.samples().data()) + 1;
    ASSERT_EQ(sample.callsAfter - sample.callsBefore, first.callsAfter - first.callsBefore)
        << "tick " << tick;
    ASSERT_EQ(sample.pumps, first.pumps) << "tick " << tick;
    ASSERT_EQ(sample.waits, first.waits) << "tick " << tick;
    ASSERT_EQ(sample.pendingAtEntry, 1u) << "tick " << tick;
    ASSERT_EQ(sample.pendingAtExit, 1u) << "tick " << tick;
  }
  EXPECT_EQ(host.pendingEvents(), 1u);
  EXPECT_EQ(host.openHandles(), 0u);
  EXPECT_EQ(host.InputText(input), u"");
  EXPECT_FALSE(host.touchedAfterUnload());
}

}  // namespace
}  // namespace drowsel
