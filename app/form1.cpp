#include "app/form1.h"

#include <cstdint>

#include "app/form1_layout.h"
#include "app/minute_count.h"
#include "chat/catalogue.h"
#include "chat/pause.h"
#include "chat/send_chat.h"
#include "desktop/web_page.h"
#include "desktop/window_placement.h"

namespace drowsel {
namespace {

constexpr std::u16string_view CountReset = u"  0";
// How early the timer's own tick may seem, by the tick count's granularity.
constexpr std::uint32_t TimerSlackMs = 50;

// One more handler running while it lives.
class Nested {
 public:
  explicit Nested(int& depth) : depth_(depth) { ++depth_; }
  Nested(const Nested&) = delete;
  Nested& operator=(const Nested&) = delete;
  ~Nested() { --depth_; }

 private:
  int& depth_;
};

}  // namespace

bool Form1::GoesOn() {
  return form_.FormExists() && !host_.Quitting();
}

// A handler whose pause returns false stops at once: the window was unloaded
// (Exit clicked inside the wait) or the program is quitting, so there is
// nothing left to post to or to update.

void Form1::Load() {
  const Nested level(depth_);
  form_.SetEnabled(Control::Command2, false);
  FormOnTop(host_, form_.FormHandle());
  SendChat(host_, MsgLoaded);
  if (!Pause(host_, PauseSeconds)) return;
  SendChat(host_, MsgCreditLoad);
}

void Form1::MouseDown() {
  if (depth_ >= NestingBound - 1) return;
  const Nested level(depth_);  // the platform's move loop handles events too
  FormDrag(host_, form_.FormHandle());
}

void Form1::Click(Control button) {
  if (depth_ >= (button == Control::Command5 ? NestingBound : NestingBound - 1)) return;
  const Nested level(depth_);
  switch (button) {
    case Control::Command1:
      return Start();
    case Control::Command2:
      return Stop();
    case Control::Command3:
      return Advertise();
    case Control::Command4:
      return Site();
    case Control::Command5:
      return Exit();
    default:
      return;  // the other controls have no click handler
  }
}

void Form1::Start() {
  SendChat(host_, MsgStarted);
  if (!Pause(host_, PauseSeconds)) return;
  SendChat(host_, MsgReason(form_.GetText(Control::Text1)));
  if (!GoesOn()) return;
  if (!form_.IsEnabled(Control::Timer1)) minuteBegan_ = host_.GetTickCount();
  form_.SetEnabled(Control::Timer1, true);
  form_.SetEnabled(Control::Command2, true);
  form_.SetEnabled(Control::Command1, false);
  form_.SetEnabled(Control::Text1, false);
}

void Form1::Stop() {
  SendChat(host_, MsgStopped);
  if (!Pause(host_, PauseSeconds)) return;
  SendChat(host_, MsgTotalIdle(form_.GetText(Control::Label1)));
  if (!GoesOn()) return;
  form_.SetEnabled(Control::Timer1, false);
  form_.SetText(Control::Label1, CountReset);
  form_.SetEnabled(Control::Command1, true);
  form_.SetEnabled(Control::Command2, false);
  form_.SetEnabled(Control::Text1, true);
}

void Form1::Tick() {
  // A tick already queued when the timer was stopped, or one that another
  // program made up, is no minute of an idle period.
  if (!form_.IsEnabled(Control::Timer1) || depth_ >= NestingBound - 1) return;
  if (!AMinuteHasPassed()) return;
  const Nested level(depth_);
  // The count lives in the label's caption only: "  0" reads as 0.
  const double minutes = MinutesFromCaption(form_.GetText(Control::Label1)) + 1.0;
  form_.SetText(Control::Label1, CaptionFromMinutes(minutes));
  SendChat(host_, MsgBanner);
  if (!Pause(host_, PauseSeconds)) return;
  SendChat(host_, MsgReason(form_.GetText(Control::Text1)));
  if (!Pause(host_, PauseSeconds)) return;
  SendChat(host_, MsgIdleFor(form_.GetText(Control::Label1)));
}

// Another program can post timer messages too, and they look like ours. A
// tick counts only a whole interval after the minute began; the next minute
// then begins on the timer's schedule, so a tick that came late (the pump
// was held) leaves the one after it on time.
bool Form1::AMinuteHasPassed() {
  const std::uint64_t interval = Form1Layout().timerIntervalMs;
  // Unsigned 32-bit, so that the span is right across the tick count's wrap.
  const auto since = static_cast<std::uint32_t>(host_.GetTickCount() - minuteBegan_);
  const std::uint64_t reached = std::uint64_t{since} + TimerSlackMs;
  if (reached < interval) return false;
  minuteBegan_ += static_cast<std::uint32_t>(reached / interval * interval);
  return true;
}

void Form1::Advertise() {
  SendChat(host_, MsgBanner);
  if (!Pause(host_, PauseSeconds)) return;
  SendChat(host_, MsgCreditLoad);
  if (!Pause(host_, PauseSeconds)) return;
  SendChat(host_, MsgMaker);
}

void Form1::Site() {
  // Silent either way: no browser, or one that would not start, shows nothing.
  OpenWebPage(host_, std::u16string(SiteAddress));
}

void Form1::Exit() {
  SendChat(host_, MsgUnloaded);
  if (!Pause(host_, PauseSeconds)) return;
  SendChat(host_, MsgCreditExit);
  if (GoesOn()) form_.UnloadForm();
}

}  // namespace drowsel
