// Random interleavings of the window's events on the fake host: clicks on
// whichever buttons are enabled at that moment, text typed into the reason
// box and into the chat input, presses on the window, timer ticks, the odd
// clock change and quit request, all at random virtual times, so that
// handlers keep landing inside each other's pauses.
//
// Every sequence comes from its own seed, a fixed base plus its index. A
// failure prints the seed, the script the seed made and what was posted;
// DROWSEL_SEED=<seed> with --gtest_filter=<the test> replays that one
// sequence and prints the same report.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <iomanip>
#include <iostream>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/form1.h"
#include "app/form1_layout.h"
#include "chat/catalogue.h"
#include "tests/unit/fake_host.h"

namespace drowsel {
namespace {

using testing::FakeHost;
using testing::Utf8;

// --- what may be posted ---

// The catalogue's entries in its own order, fixed then composed.
enum class Kind {
  Loaded,
  Unloaded,
  Started,
  Stopped,
  Banner,
  CreditLoad,
  CreditExit,
  Maker,
  Reason,
  IdleFor,
  TotalIdle,
  Unknown,
};
constexpr int KindCount = static_cast<int>(Kind::Unknown) + 1;
constexpr int FirstComposed = static_cast<int>(Kind::Reason);
static_assert(FirstComposed == FixedEntries.size() &&
              KindCount == FirstComposed + ComposedEntries.size() + 1);

std::string KindName(Kind kind) {
  const int index = static_cast<int>(kind);
  if (index < FirstComposed) return std::string(FixedEntries[index].name);
  if (kind != Kind::Unknown) return std::string(ComposedEntries[index - FirstComposed].name);
  return "Unknown";
}

// A composed line split back into prefix, value and suffix.
class Composed {
 public:
  explicit Composed(std::u16string (*compose)(std::u16string_view)) {
    const std::u16string marked = compose(u"\x01");
    const std::size_t at = marked.find(u'\x01');
    prefix_ = marked.substr(0, at);
    suffix_ = marked.substr(at + 1);
  }

  std::optional<std::u16string> ValueOf(const std::u16string& line) const {
    if (line.size() < prefix_.size() + suffix_.size() || !line.starts_with(prefix_) ||
        !line.ends_with(suffix_)) {
      return std::nullopt;
    }
    return line.substr(prefix_.size(), line.size() - prefix_.size() - suffix_.size());
  }

 private:
  std::u16string prefix_;
  std::u16string suffix_;
};

struct Classified {
  Kind kind = Kind::Unknown;
  std::u16string value;  // the reason or the count of a composed line
};

Classified Classify(const std::u16string& line) {
  for (std::size_t i = 0; i < FixedEntries.size(); ++i) {
    if (line == FixedEntries[i].text) return {static_cast<Kind>(i), {}};
  }
  static const std::vector<Composed> ComposedLines = [] {
    std::vector<Composed> lines;
    for (const ComposedEntry& entry : ComposedEntries) lines.emplace_back(entry.compose);
    return lines;
  }();
  for (std::size_t i = 0; i < ComposedLines.size(); ++i) {
    if (auto value = ComposedLines[i].ValueOf(line)) {
      return {static_cast<Kind>(FirstComposed + static_cast<int>(i)), *value};
    }
  }
  return {};
}

// What the minute counter may read: the reset text or a whole number of
// minutes, written the shortest way.
bool IsCount(std::string_view text) {
  if (text == "  0") return true;
  if (text.empty() || text.size() > 9 || text[0] < '1' || text[0] > '9') return false;
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string HandlerName(Control button) {
  switch (button) {
    case Control::Command1:
      return "Start";
    case Control::Command2:
      return "Stop";
    case Control::Command3:
      return "Adv";
    case Control::Command4:
      return "Site";
    case Control::Command5:
      return "Exit";
    default:
      return std::string(LayoutOf(button).name);
  }
}

// --- the window, with its nesting depth ---

// One run of a handler and the lines it posted itself, nested handlers' lines
// apart.
struct HandlerRun {
  struct Line {
    std::size_t index;     // into the posted lines
    std::size_t handlers;  // handlers entered before it went out
    int clockSets;         // times the user had set the clock before it went out
  };
  std::string name;
  std::vector<Line> lines;
};

// Forwards the window's events to Form1 and keeps the stack of handlers that
// are running. At depth 0 no handler is on the stack: the program is idle in
// its message loop, which is when the controls must match the idle state.
//
// Posting never pumps events, so every line goes out while the handler that
// posts it is on top of the stack; the top only changes when a handler is
// entered or returns, so looking at the posted lines then credits each line to
// the handler that posted it.
class NestingForm final : public FormEvents {
 public:
  struct Hooks {
    std::function<void(const std::string& handler)> idle;  // the stack has just emptied
    std::function<void()> tick;                            // before Form1 sees the tick
    std::function<void(const HandlerRun&)> finished;       // a handler has returned
  };

  NestingForm(FakeHost& host, Hooks hooks)
      : host_(host), form_(host, host), hooks_(std::move(hooks)) {}

  void Load() override {
    Handle("Load", [&] { form_.Load(); });
  }
  void MouseDown() override {
    Handle("MouseDown", [&] { form_.MouseDown(); });
  }
  void Click(Control button) override {
    ++clicks_[static_cast<int>(button)];
    Handle(HandlerName(button), [&] { form_.Click(button); });
  }
  void Tick() override {
    ++ticks_;
    hooks_.tick();
    Handle("Tick", [&] { form_.Tick(); });
  }

  // The user sets the clock: lines posted until now went out before.
  void ClockSet() {
    Notice();
    ++clockSets_;
  }

  std::size_t depth() const { return stack_.size(); }
  std::size_t deepest() const { return deepest_; }
  int clicks(Control button) const { return clicks_[static_cast<int>(button)]; }
  int ticks() const { return ticks_; }
  // Lines that went out while no handler was running.
  const std::vector<std::size_t>& orphans() const { return orphans_; }
  // "outer>inner" for every handler that ran inside another's pause.
  const std::set<std::string>& nestings() const { return nestings_; }

 private:
  // Credits the lines posted since the last look to the handler on top.
  void Notice() {
    for (; seen_ < host_.posted().size(); ++seen_) {
      if (stack_.empty()) {
        orphans_.push_back(seen_);
      } else {
        stack_.back().lines.push_back({seen_, entered_, clockSets_});
      }
    }
  }

  template <typename Handler>
  void Handle(const std::string& name, Handler&& handler) {
    Notice();
    if (!stack_.empty()) nestings_.insert(stack_.back().name + ">" + name);
    stack_.push_back(HandlerRun{name, {}});
    ++entered_;
    deepest_ = std::max(deepest_, stack_.size());
    handler();
    Notice();
    const HandlerRun run = std::move(stack_.back());
    stack_.pop_back();
    hooks_.finished(run);
    if (stack_.empty()) hooks_.idle(name);
  }

  FakeHost& host_;
  Form1 form_;
  Hooks hooks_;
  std::vector<HandlerRun> stack_;
  std::size_t seen_ = 0;
  std::size_t entered_ = 0;
  int clockSets_ = 0;
  std::vector<std::size_t> orphans_;
  std::size_t deepest_ = 0;
  int clicks_[9] = {};
  int ticks_ = 0;
  std::set<std::string> nestings_;
};

// The lines each handler posts, in order, when nothing cuts it short.
const std::vector<Kind>& ScriptOf(const std::string& handler) {
  static const std::map<std::string, std::vector<Kind>> Scripts = {
      {"Load", {Kind::Loaded, Kind::CreditLoad}},
      {"Start", {Kind::Started, Kind::Reason}},
      {"Stop", {Kind::Stopped, Kind::TotalIdle}},
      {"Tick", {Kind::Banner, Kind::Reason, Kind::IdleFor}},
      {"Adv", {Kind::Banner, Kind::CreditLoad, Kind::Maker}},
      {"Exit", {Kind::Unloaded, Kind::CreditExit}},
      {"Site", {}},
      {"MouseDown", {}},
  };
  return Scripts.at(handler);
}

// --- one random sequence ---

// How the events of a sequence are spread out.
struct Profile {
  const char* name;
  int minActions, maxActions;
  double minSpan, maxSpan;  // the actions fall within the first `span` seconds
  int quitPerMille;         // sequences that get a quit request
  bool aroundTicks;         // each tick may bring actions during it and just before the next
};

// Many events within a few seconds: clicks land inside pauses, several deep.
constexpr Profile Bursts{"bursts", 3, 18, 2.0, 10.0, 3, false};
// Fewer events over minutes, so that the timer ticks several times between
// and underneath them.
constexpr Profile Minutes{"minutes", 4, 14, 150.0, 540.0, 5, true};

// Click weights, for the buttons enabled at the moment. Exit is rare, so that
// most sequences run to their end.
constexpr std::pair<Control, int> ClickWeights[] = {
    {Control::Command1, 30}, {Control::Command2, 30}, {Control::Command3, 20},
    {Control::Command4, 10}, {Control::Command5, 1},
};

// Far more pumps and waits than any sequence here needs.
constexpr int SpinLimit = 200'000;

class Sequence {
 public:
  Sequence(std::uint32_t seed, const Profile& profile)
      : seed_(seed),
        profile_(profile),
        rng_(seed),
        form_(host_, {[this](const std::string& handler) { CheckIdle("after " + handler); },
                      [this] { OnTick(); }, [this](const HandlerRun& run) { CheckRun(run); }}) {}
  Sequence(const Sequence&) = delete;  // the fake's events point back here
  Sequence& operator=(const Sequence&) = delete;

  void Run() {
    Script();
    host_.Attach(form_);
    host_.spinLimit = SpinLimit;
    try {
      host_.RunLoad();
      host_.RunUntil(end_);
    } catch (const std::runtime_error& spinning) {
      Problem(std::string("the program spins: ") + spinning.what());
      return;
    }
    CheckRecord();
  }

  const std::vector<std::string>& problems() const { return problems_; }
  std::size_t deepest() const { return form_.deepest(); }
  int ticks() const { return form_.ticks(); }
  const std::set<std::string>& nestings() const { return form_.nestings(); }
  bool exited() { return !host_.FormExists(); }

  std::string Report() {
    std::ostringstream out;
    out << std::setprecision(10) << "seed " << seed_ << " (" << profile_.name
        << "), replay with DROWSEL_SEED=" << seed_ << "\nproblems:\n";
    for (const std::string& problem : problems_) out << "  " << problem << "\n";
    out << "script (clock starts at " << clockStart_ << ", runs to " << end_ << "):\n";
    std::stable_sort(script_.begin(), script_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [at, step] : script_) out << "  " << at << " " << step << "\n";
    out << "posted:\n";
    for (const FakeHost::PostedLine& line : host_.posted()) {
      out << "  " << line.time << " " << KindName(Classify(line.text).kind) << " \""
          << Utf8(line.text) << "\"\n";
    }
    return out.str();
  }

 private:
  // Portable draws: std::mt19937's output is fixed by the standard, the
  // library distributions' are not.
  std::uint32_t Below(std::uint32_t n) { return rng_() % n; }
  double Uniform(double low, double high) { return low + (high - low) * (rng_() / 4294967296.0); }

  // Half of the times fall on quarter seconds, where they can tie with the
  // end of a pause or with a tick.
  double Time(double from, double to) {
    const double t = Uniform(from, to);
    return Below(2) == 0 ? static_cast<int>(t * 4) / 4.0 : t;
  }

  std::u16string Text() {
    static constexpr std::u16string_view Pieces[] = {
        u"<b>",         u"</b>",  u"&",   u"&amp;", u"<",
        u">",           u"\"",    u" ",   u"brb",   u"zz",
        u"<u>",         u"</u>",  u"\\",  u"%s",    u"\u2021",
        u"\u00b7",      u"lunch", u"  0", u"7",     u"<font color=#ff0000>",
        u"gone fishing"};
    std::u16string text;
    for (std::uint32_t n = Below(5); n > 0; --n) {
      text += Pieces[Below(std::size(Pieces))];
    }
    return text;
  }

  void Log(double at, std::string step) { script_.emplace_back(at, std::move(step)); }

  void Script() {
    switch (Below(4)) {
      case 0:
        clockStart_ = 36000.0;
        break;
      case 1:
        clockStart_ = Uniform(0.0, 86400.0);
        break;
      default:  // the run crosses midnight early on
        clockStart_ = 86400.0 - Uniform(0.0, profile_.minSpan);
        break;
    }
    host_.SetClock(clockStart_);
    chatInput_ = host_.AddChatClient({u"Lobby"}).front();
    reasons_.insert(std::u16string(LayoutOf(Control::Text1).caption));

    const double span = Uniform(profile_.minSpan, profile_.maxSpan);
    const int actions = profile_.minActions +
                        static_cast<int>(Below(profile_.maxActions - profile_.minActions + 1));
    for (int i = 0; i < actions; ++i) Action(Time(0.0, span));
    if (Below(1000) < static_cast<std::uint32_t>(profile_.quitPerMille)) {
      const double at = Time(0.0, span);
      Log(at, "quit");
      // Scheduled together, so that nothing can run between the two.
      host_.At(at, [this] { postedAtQuit_ = host_.posted().size(); });
      host_.QuitAt(at);
    }
    // Long enough after the last action for every sequence to finish and,
    // while running, for a tick or two more.
    end_ = span + Uniform(5.0, 130.0);
  }

  // One thing the user does at `at`.
  void Action(double at) {
    const std::uint32_t roll = Below(100);
    if (roll < 60) {
      Log(at, "click");
      host_.At(at, [this] { ClickSomething(); });
    } else if (roll < 78) {
      std::u16string reason = Text();
      Log(at, "type reason \"" + Utf8(reason) + "\"");
      host_.At(at, [this, reason] { TypeReason(reason); });
    } else if (roll < 83) {
      std::u16string draft = Text();
      Log(at, "type draft \"" + Utf8(draft) + "\"");
      host_.At(at, [this, draft] {
        host_.SetInputText(chatInput_, draft);
        draft_ = draft;
      });
    } else if (roll < 86) {
      static constexpr double Jumps[] = {-3600.0, -43300.0, -2.0, -0.6, 0.4, 5.0, 3600.0};
      const double jump = Jumps[Below(std::size(Jumps))];
      Log(at, "set the clock by " + std::to_string(jump));
      host_.At(at, [this, jump] {
        form_.ClockSet();
        host_.AdjustClock(jump);
      });
    } else if (roll < 88) {
      Log(at, "press on the window");
      host_.At(at, [this] { form_.MouseDown(); });
    } else {
      host_.At(at, [this] { Probe(); });
    }
  }

  // The user clicks one of the buttons that are enabled right now.
  void ClickSomething() {
    int total = 0;
    for (const auto& [button, weight] : ClickWeights) {
      if (host_.IsEnabled(button)) total += weight;
    }
    int pick = static_cast<int>(Below(static_cast<std::uint32_t>(total)));
    for (const auto& [button, weight] : ClickWeights) {
      if (!host_.IsEnabled(button)) continue;
      if (pick < weight) {
        Log(host_.Now(), "  the click lands on " + HandlerName(button));
        host_.ClickAt(host_.Now(), button);
        return;
      }
      pick -= weight;
    }
  }

  // A disabled box takes no typing.
  void TypeReason(const std::u16string& reason) {
    if (!host_.IsEnabled(Control::Text1)) return;
    host_.SetText(Control::Text1, reason);
    reasons_.insert(reason);
  }

  // While the timer's lines go out, and just before the next tick is due.
  void OnTick() {
    if (!profile_.aroundTicks) return;
    const double now = host_.Now();
    for (std::uint32_t n = Below(3); n > 0; --n) Action(Time(now, now + 2.5));
    for (std::uint32_t n = Below(3); n > 0; --n) Action(Time(now + 58.0, now + 60.5));
  }

  void Probe() {
    if (form_.depth() == 0) {
      CheckIdle("probe");
      return;
    }
    // Inside a handler only the buttons that are always on are certain.
    for (Control button : {Control::Command3, Control::Command4, Control::Command5}) {
      if (!host_.IsEnabled(button)) Problem(HandlerName(button) + " disabled inside a handler");
    }
  }

  // With no handler running, the controls are those of Stopped or Running.
  void CheckIdle(const std::string& when) { CheckControls(when, std::nullopt); }

  // The controls match the table of Stopped or of Running, or of the one
  // given.
  void CheckControls(const std::string& when, std::optional<bool> mustRun) {
    if (!host_.FormExists()) return;
    const bool running = host_.IsEnabled(Control::Timer1);
    const std::string count = Utf8(host_.GetText(Control::Label1));
    const bool start = host_.IsEnabled(Control::Command1);
    const bool stop = host_.IsEnabled(Control::Command2);
    const bool reason = host_.IsEnabled(Control::Text1);
    const bool others = host_.IsEnabled(Control::Command3) && host_.IsEnabled(Control::Command4) &&
                        host_.IsEnabled(Control::Command5);
    const bool countOk = running ? IsCount(count) : count == "  0";
    if (start == !running && stop == running && reason == !running && others && countOk &&
        mustRun.value_or(running) == running) {
      return;
    }
    std::ostringstream problem;
    problem << when << " at " << host_.Now() << ": timer " << running << ", Start " << start
            << ", Stop " << stop << ", reason box " << reason << ", Adv/Site/Exit " << others
            << ", count \"" << count << "\"";
    Problem(problem.str());
  }

  // A handler has returned: the lines it posted itself are its script, or
  // the beginning of it when the window went or a quit came meanwhile, spaced
  // by its pauses; Start and Stop leave the state they are for.
  void CheckRun(const HandlerRun& run) {
    const std::vector<Kind>& script = ScriptOf(run.name);
    const auto& posted = host_.posted();
    const bool cutShort = !host_.FormExists() || postedAtQuit_.has_value();
    bool ok = run.lines.size() <= script.size() &&
              (run.lines.size() == script.size() || cutShort) &&
              (!run.lines.empty() || script.empty());
    for (std::size_t i = 0; ok && i < run.lines.size(); ++i) {
      const HandlerRun::Line& line = run.lines[i];
      ok = Classify(posted[line.index].text).kind == script[i];
      if (!ok || i == 0) continue;
      // A one-second pause rounds its start to the nearest second, so it
      // lasts from half a second to a second and a half (and a millisecond,
      // its waits being rounded up). Handlers run inside it can make it
      // longer; a clock set forward, shorter; a clock set back by less than
      // a second counts as time passing.
      const HandlerRun::Line& before = run.lines[i - 1];
      const double gap = posted[line.index].time - posted[before.index].time;
      const int clockSets = line.clockSets - before.clockSets;
      const bool nested = line.handlers != before.handlers;
      ok = (clockSets > 0 || gap >= 0.5 - 1e-9) && (nested || gap <= 1.5 + 0.6 * clockSets + 0.002);
    }
    if (!ok) {
      std::ostringstream problem;
      problem << run.name << " ended at " << host_.Now() << " having posted";
      for (const HandlerRun::Line& line : run.lines) {
        problem << " " << KindName(Classify(posted[line.index].text).kind) << "@"
                << posted[line.index].time;
      }
      Problem(problem.str());
    }
    const bool whole = run.lines.size() == script.size();
    if (run.name == "Start" && whole) CheckControls("after a whole Start", true);
    if (run.name == "Stop" && whole) CheckControls("after a whole Stop", false);
    if (run.name == "Exit" && host_.FormExists() && !postedAtQuit_) {
      Problem("Exit returned at " + std::to_string(host_.Now()) + " leaving the window");
    }
  }

  void Problem(std::string problem) {
    if (problems_.size() < 8) problems_.push_back(std::move(problem));
  }

  // Every value the minute counter showed, from the fake's record.
  std::set<std::string> CountsShown() const {
    std::set<std::string> counts{Utf8(LayoutOf(Control::Label1).caption)};
    const std::string prefix = "SetText(Label1, \"";
    for (const std::string& call : host_.CallsStartingWith(prefix)) {
      counts.insert(call.substr(prefix.size(), call.size() - prefix.size() - 2));
    }
    return counts;
  }

  void CheckRecord() {
    if (form_.depth() != 0) Problem("a handler still on the stack at the end");
    if (host_.touchedAfterUnload()) Problem("the window was touched after it was unloaded");
    if (!form_.orphans().empty()) Problem("a line went out with no handler running");

    const std::set<std::string> counts = CountsShown();
    for (const std::string& count : counts) {
      if (!IsCount(count)) {
        Problem("the counter showed \"" + count + "\"");
      } else if (count != "  0" && std::stol(count) > host_.timerTicks()) {
        Problem("the counter showed " + count + " after " + std::to_string(host_.timerTicks()) +
                " ticks");
      }
    }

    int lines[KindCount] = {};
    const auto& posted = host_.posted();
    for (std::size_t i = 0; i < posted.size(); ++i) {
      const Classified line = Classify(posted[i].text);
      ++lines[static_cast<int>(line.kind)];
      const std::string where = "line " + std::to_string(i) + " (" + KindName(line.kind) + ")";
      if (line.kind == Kind::Unknown) Problem(where + " is not one of ours");
      if (line.kind == Kind::Reason && reasons_.count(line.value) == 0) {
        Problem(where + " carries a reason never in the box: \"" + Utf8(line.value) + "\"");
      }
      if ((line.kind == Kind::IdleFor || line.kind == Kind::TotalIdle) &&
          counts.count(Utf8(line.value)) == 0) {
        Problem(where + " carries a count never shown: \"" + Utf8(line.value) + "\"");
      }
      if (line.kind == Kind::CreditExit && i + 1 != posted.size()) {
        Problem(where + " is followed by " + std::to_string(posted.size() - i - 1) + " lines");
      }
    }
    if (postedAtQuit_ && *postedAtQuit_ != posted.size()) {
      Problem(std::to_string(posted.size() - *postedAtQuit_) + " lines after the quit request");
    }

    auto count = [&](Kind kind) { return lines[static_cast<int>(kind)]; };
    auto expect = [&](Kind kind, int expected) {
      if (count(kind) != expected) {
        Problem(KindName(kind) + " posted " + std::to_string(count(kind)) + " times, expected " +
                std::to_string(expected));
      }
    };
    auto atMost = [&](Kind kind, int most) {
      if (count(kind) > most) {
        Problem(KindName(kind) + " posted " + std::to_string(count(kind)) + " times, at most " +
                std::to_string(most) + " expected");
      }
    };
    const int starts = form_.clicks(Control::Command1);
    const int stops = form_.clicks(Control::Command2);
    const int adverts = form_.clicks(Control::Command3);
    const int exits = form_.clicks(Control::Command5);
    const int ticks = form_.ticks();

    // Every handler posts its first line before anything can interrupt it.
    expect(Kind::Loaded, 1);
    expect(Kind::Started, starts);
    expect(Kind::Stopped, stops);
    expect(Kind::Unloaded, exits);
    expect(Kind::Banner, adverts + ticks);

    // One farewell and one unload, whichever of several Exits gets there.
    const bool quit = postedAtQuit_.has_value();
    const int unloads = static_cast<int>(host_.CallsStartingWith("UnloadForm").size());
    atMost(Kind::CreditExit, 1);
    if (exits > 0 && !quit) expect(Kind::CreditExit, 1);
    if (unloads != count(Kind::CreditExit)) {
      Problem(std::to_string(unloads) + " unloads for " + std::to_string(count(Kind::CreditExit)) +
              " farewells");
    }

    if (host_.FormExists() && !quit) {
      // Nothing was cut short: every sequence ran to its end.
      expect(Kind::CreditLoad, 1 + adverts);
      expect(Kind::Maker, adverts);
      expect(Kind::Reason, starts + ticks);
      expect(Kind::IdleFor, ticks);
      expect(Kind::TotalIdle, stops);
      CheckIdle("at the end");
    } else {
      atMost(Kind::CreditLoad, 1 + adverts);
      atMost(Kind::Maker, adverts);
      atMost(Kind::Reason, starts + ticks);
      atMost(Kind::IdleFor, ticks);
      atMost(Kind::TotalIdle, stops);
    }

    // The chat input gives back what the user had typed there, and Site
    // leaves no handle and no probe file behind.
    if (host_.InputText(chatInput_) != draft_) {
      Problem("the chat input holds \"" + Utf8(host_.InputText(chatInput_)) + "\", not \"" +
              Utf8(draft_) + "\"");
    }
    if (host_.openHandles() != 0) Problem("Site left handles open");
    if (!host_.fs.files.empty()) Problem("Site left its probe file");
  }

  const std::uint32_t seed_;
  const Profile& profile_;
  std::mt19937 rng_;
  FakeHost host_;
  NestingForm form_;

  double clockStart_ = 0.0;
  double end_ = 0.0;
  WindowHandle chatInput_ = NoWindow;
  std::set<std::u16string> reasons_;  // everything the reason box held
  std::u16string draft_;              // what the user last typed into the chat input
  std::optional<std::size_t> postedAtQuit_;
  std::vector<std::pair<double, std::string>> script_;
  std::vector<std::string> problems_;
};

// What a batch of sequences went through, so that a generator that stops
// nesting or ticking fails instead of passing quietly.
struct Coverage {
  int sequences = 0;
  int nested = 0;   // a handler ran inside another's pause
  int deep = 0;     // three or more handlers on the stack
  int exited = 0;   // ended by Exit
  int ticking = 0;  // the timer ticked three times or more
  std::map<std::string, int> nestings;
};

Coverage RunMany(const Profile& profile, std::uint32_t baseSeed, int count) {
  Coverage coverage;
  int failures = 0;
  for (int i = 0; i < count && failures < 3; ++i) {
    Sequence sequence(baseSeed + static_cast<std::uint32_t>(i), profile);
    sequence.Run();
    if (!sequence.problems().empty()) {
      ++failures;
      ADD_FAILURE() << sequence.Report();
    }
    ++coverage.sequences;
    coverage.nested += sequence.deepest() >= 2;
    coverage.deep += sequence.deepest() >= 3;
    coverage.exited += sequence.exited();
    coverage.ticking += sequence.ticks() >= 3;
    for (const std::string& nesting : sequence.nestings()) ++coverage.nestings[nesting];
  }
  return coverage;
}

// DROWSEL_SEED=<seed>: that sequence alone, with its report, whether it
// passes or not.
bool ReplayedOne(const Profile& profile) {
  const char* seed = std::getenv("DROWSEL_SEED");
  if (seed == nullptr) return false;
  Sequence sequence(static_cast<std::uint32_t>(std::strtoul(seed, nullptr, 10)), profile);
  sequence.Run();
  std::cout << sequence.Report();
  EXPECT_TRUE(sequence.problems().empty());
  return true;
}

constexpr std::uint32_t BurstSeeds = 20'240'000;
constexpr std::uint32_t MinuteSeeds = 30'240'000;

TEST(InterleavingTest, BurstsOfClicksAndTypingNestInsideEachOthersPauses) {
  if (ReplayedOne(Bursts)) return;
  const Coverage coverage = RunMany(Bursts, BurstSeeds, 7000);
  if (HasFailure()) return;  // a batch stopped early says nothing about coverage
  EXPECT_GT(coverage.nested, coverage.sequences / 2);
  EXPECT_GT(coverage.deep, coverage.sequences / 4);
  EXPECT_GT(coverage.exited, coverage.sequences / 50);
  EXPECT_LT(coverage.exited, coverage.sequences / 4);
  // The nestings the handlers are meant to survive.
  for (const char* nesting : {"Load>Start", "Load>Exit", "Start>Start", "Start>Exit", "Stop>Stop",
                              "Stop>Exit", "Adv>Adv", "Adv>Exit", "Exit>Exit", "Exit>Start"}) {
    EXPECT_GT(coverage.nestings.count(nesting), 0u) << nesting;
  }
}

TEST(InterleavingTest, MinutesOfTicksUnderClicksTypingAndClockChanges) {
  if (ReplayedOne(Minutes)) return;
  const Coverage coverage = RunMany(Minutes, MinuteSeeds, 3500);
  if (HasFailure()) return;
  EXPECT_GT(coverage.ticking, coverage.sequences / 5);
  EXPECT_GT(coverage.nested, coverage.sequences / 4);
  EXPECT_LT(coverage.exited, coverage.sequences / 4);
  for (const char* nesting :
       {"Tick>Stop", "Tick>Adv", "Tick>Exit", "Stop>Tick", "Adv>Tick", "Tick>Start"}) {
    EXPECT_GT(coverage.nestings.count(nesting), 0u) << nesting;
  }
}

}  // namespace
}  // namespace drowsel
