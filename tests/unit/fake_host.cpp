#include "tests/unit/fake_host.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <utility>

#include "app/form1_layout.h"
#include "tests/unit/cp1252.h"

namespace drowsel::testing {
namespace {

constexpr double SecondsPerDay = 86400.0;

bool SameClass(std::u16string_view a, const char16_t* b) {
  if (b == nullptr) return true;
  const std::u16string_view other(b);
  if (a.size() != other.size()) return false;
  // Window classes compare without regard to case.
  return std::equal(a.begin(), a.end(), other.begin(), [](char16_t x, char16_t y) {
    auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
    return lower(x) == lower(y);
  });
}

std::string Name(const char16_t* text) {
  return text == nullptr ? "null" : Utf8(text);
}

std::string MessageName(std::uint32_t message) {
  switch (message) {
    case WmSetText:
      return "WM_SETTEXT";
    case WmGetText:
      return "WM_GETTEXT";
    case WmGetTextLength:
      return "WM_GETTEXTLENGTH";
    case WmChar:
      return "WM_CHAR";
    case WmNcLButtonDown:
      return "WM_NCLBUTTONDOWN";
    case EmGetSel:
      return "EM_GETSEL";
    case EmSetSel:
      return "EM_SETSEL";
    default:
      return std::to_string(message);
  }
}

std::string LParamText(const LParam& lParam) {
  if (const auto* value = std::get_if<std::intptr_t>(&lParam)) return std::to_string(*value);
  if (const auto* in = std::get_if<TextIn>(&lParam)) return "\"" + Utf8(in->text) + "\"";
  return "buffer";
}

std::string ControlName(Control control) {
  return std::string(LayoutOf(control).name);
}

}  // namespace

std::string Utf8(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) {  // the catalogue has no surrogate pairs
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// --- the chat client's windows ---

WindowHandle FakeHost::AddWindow(WindowHandle parent, std::u16string className,
                                 std::u16string title) {
  const WindowHandle handle = nextHandle_++;
  windows_[handle] = Window{parent, std::move(className), std::move(title), u"", false, false};
  zOrder_.push_back(handle);
  return handle;
}

std::vector<WindowHandle> FakeHost::AddChatClient(const std::vector<std::u16string>& rooms) {
  const WindowHandle frame = AddWindow(NoWindow, u"AOL Frame25");
  const WindowHandle documents = AddWindow(frame, u"MDIClient");
  std::vector<WindowHandle> inputs;
  for (const std::u16string& room : rooms) {
    const WindowHandle document = AddWindow(documents, u"AOL Child", room);
    inputs.push_back(AddWindow(document, u"RICHCNTL"));
    AddWindow(document, u"RICHCNTL");  // the room's transcript, behind the input
  }
  return inputs;
}

void FakeHost::BringToFront(WindowHandle window) {
  zOrder_.erase(std::find(zOrder_.begin(), zOrder_.end(), window));
  zOrder_.insert(zOrder_.begin(), window);
}

void FakeHost::RemoveWindow(WindowHandle window) {
  for (WindowHandle child : ChildrenOf(window)) RemoveWindow(child);
  windows_.erase(window);
  zOrder_.erase(std::find(zOrder_.begin(), zOrder_.end(), window));
}

std::vector<WindowHandle> FakeHost::ChildrenOf(WindowHandle parent) const {
  std::vector<WindowHandle> children;
  for (WindowHandle handle : zOrder_) {
    if (windows_.at(handle).parent == parent) children.push_back(handle);
  }
  return children;
}

std::vector<std::u16string> FakeHost::PostedTexts() const {
  std::vector<std::u16string> texts;
  for (const PostedLine& line : posted_) texts.push_back(line.text);
  return texts;
}

std::vector<std::string> FakeHost::CallsStartingWith(std::string_view prefix) const {
  std::vector<std::string> matching;
  for (const std::string& call : calls_) {
    if (call.starts_with(prefix)) matching.push_back(call);
  }
  return matching;
}

// --- events ---

void FakeHost::At(double at, std::function<void()> event) {
  events_.push(Event{at, eventOrder_++, std::move(event)});
}

void FakeHost::ClickAt(double at, Control button) {
  At(at, [this, button] {
    if (form_ == nullptr || !formExists_ || !controls_[button].enabled) return;
    Record("click " + ControlName(button));
    form_->Click(button);
  });
}

void FakeHost::QuitAt(double at) {
  At(at, [this] { quitSeen_ = true; });
}

void FakeHost::RunLoad() {
  for (const ControlLayout& layout : Form1Layout().controls) {
    controls_[layout.id] =
        ControlState{layout.kind != ControlKind::Timer, std::u16string(layout.caption)};
  }
  if (form_ != nullptr) form_->Load();
}

void FakeHost::RunUntil(double until) {
  // The top-level message loop: deliver what is due, then sleep to the next event.
  while (!quitSeen_ && formExists_ && !events_.empty() && events_.top().at < until) {
    if (events_.top().at > elapsed_) elapsed_ = events_.top().at;
    DeliverDueEvent();
  }
  if (elapsed_ < until) elapsed_ = until;
  ActOnLateEnters();  // the client's own timers run meanwhile
}

bool FakeHost::DeliverDueEvent() {
  if (events_.empty() || events_.top().at > elapsed_) return false;
  Event event = events_.top();
  events_.pop();
  event.run();
  return true;
}

void FakeHost::ScheduleTick(std::uint64_t generation, double at) {
  At(at, [this, generation, at] {
    if (generation != timerGeneration_ || !formExists_) return;  // disabled since
    ++timerTicks_;
    ScheduleTick(generation, at + Form1Layout().timerIntervalMs / 1000.0);
    Record("tick");
    if (form_ != nullptr) form_->Tick();
  });
}

// --- HostServices: Win32 ---

WindowHandle FakeHost::FindWindowA(const char16_t* className, const char16_t* windowName) {
  return FindWindowExA(NoWindow, NoWindow, className, windowName);
}

WindowHandle FakeHost::FindWindowExA(WindowHandle parent, WindowHandle childAfter,
                                     const char16_t* className, const char16_t* windowName) {
  WindowHandle found = NoWindow;
  bool afterSeen = childAfter == NoWindow;
  for (WindowHandle handle : ChildrenOf(parent)) {
    const Window& window = windows_.at(handle);
    if (!afterSeen) {
      afterSeen = handle == childAfter;
      continue;
    }
    if (SameClass(window.className, className) &&
        (windowName == nullptr || window.title == windowName)) {
      found = handle;
      break;
    }
  }
  const bool topLevel = parent == NoWindow && childAfter == NoWindow;
  Record((topLevel ? "FindWindowA("
                   : "FindWindowExA(" + std::to_string(parent) + ", " + std::to_string(childAfter) +
                         ", ") +
         Name(className) + ", " + Name(windowName) + ") = " + std::to_string(found));
  return found;
}

std::intptr_t FakeHost::Deliver(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                LParam lParam) {
  Window& target = windows_.at(window);
  switch (message) {
    case WmSetText:
      target.text = std::u16string(std::get<TextIn>(lParam).text);
      target.selStart = target.selEnd = 0;
      return 1;
    case WmGetTextLength:
      if (target.lengthAnswer >= 0) return target.lengthAnswer;
      return static_cast<std::intptr_t>(target.text.size());
    case EmGetSel:
      return static_cast<std::intptr_t>(target.selStart | (std::uint32_t{target.selEnd} << 16));
    case EmSetSel:
      target.selStart = static_cast<std::uint16_t>(wParam);
      target.selEnd = static_cast<std::uint16_t>(std::get<std::intptr_t>(lParam));
      return 0;
    case WmGetText: {
      TextOut* buffer = std::get<TextOut*>(lParam);
      const std::size_t room = wParam == 0 ? 0 : wParam - 1;
      buffer->text = target.text.substr(0, room);
      return static_cast<std::intptr_t>(buffer->text.size());
    }
    case WmChar:
      if (wParam == 13 && target.enterDelay > 0) {
        target.submitAt = elapsed_ + target.enterDelay;
      } else if (wParam == 13) {
        Post(window, elapsed_);
      }
      return 0;
    default:
      return 0;
  }
}

std::intptr_t FakeHost::SendMessageA(WindowHandle window, std::uint32_t message,
                                     std::uintptr_t wParam, LParam lParam) {
  Record("SendMessageA(" + std::to_string(window) + ", " + MessageName(message) + ", " +
         std::to_string(wParam) + ", " + LParamText(lParam) + ")");
  if (window == FormWindowHandle) {
    CheckFormAlive("SendMessageA");
    return 0;
  }
  if (windows_.count(window) == 0) return 0;
  return Deliver(window, message, wParam, lParam);
}

void FakeHost::ActOnLateEnters() {
  for (auto& [handle, window] : windows_) {
    if (window.submitAt >= 0 && window.submitAt <= elapsed_) {
      const double at = std::exchange(window.submitAt, -1);
      Post(handle, at);
    }
  }
}

void FakeHost::Post(WindowHandle input, double time) {
  Window& window = windows_.at(input);
  if (window.text.empty()) return;  // Enter in an empty input sends nothing
  posted_.push_back(PostedLine{time, input, window.text});
  window.text.clear();
  if (onPosted) onPosted(posted_.back());
}

bool FakeHost::SendMessageTimeoutA(WindowHandle window, std::uint32_t message,
                                   std::uintptr_t wParam, LParam lParam, std::uint32_t flags,
                                   std::uint32_t timeoutMs, std::intptr_t* result) {
  return SendTimeout("SendMessageTimeoutA", window, message, wParam, lParam, flags, timeoutMs,
                     result);
}

bool FakeHost::SendMessageTimeoutW(WindowHandle window, std::uint32_t message,
                                   std::uintptr_t wParam, LParam lParam, std::uint32_t flags,
                                   std::uint32_t timeoutMs, std::intptr_t* result) {
  return SendTimeout("SendMessageTimeoutW", window, message, wParam, lParam, flags, timeoutMs,
                     result);
}

void FakeHost::Sleep(std::uint32_t milliseconds) {
  Record("Sleep(" + std::to_string(milliseconds) + ")");
  elapsed_ += milliseconds / 1000.0;
  ActOnLateEnters();
}

std::uint32_t FakeHost::GetTickCount() {
  const auto ms = static_cast<std::uint64_t>(std::llround(elapsed_ * 1000.0));
  return static_cast<std::uint32_t>(tickCountOrigin_ + ms);  // wraps as the system's does
}

bool FakeHost::SendTimeout(const char* name, WindowHandle window, std::uint32_t message,
                           std::uintptr_t wParam, LParam lParam, std::uint32_t flags,
                           std::uint32_t timeoutMs, std::intptr_t* result) {
  ActOnLateEnters();
  Record(std::string(name) + "(" + std::to_string(window) + ", " + MessageName(message) + ", " +
         std::to_string(wParam) + ", " + LParamText(lParam) + ", " + std::to_string(flags) + ", " +
         std::to_string(timeoutMs) + ")");
  // Text comes back through the Unicode messages only.
  const bool ansiCall = std::string_view(name) == "SendMessageTimeoutA";
  if (ansiCall && std::holds_alternative<TextOut*>(lParam)) return false;
  auto it = windows_.find(window);
  if (it == windows_.end()) return false;
  if (it->second.hungOnEnter && message == WmChar && wParam == 13) it->second.hung = true;
  // The system flags a window as not responding once it has left a message
  // unanswered for a whole wait; a send that asks to be aborted then fails
  // at once, whether or not the window would answer it.
  const bool abortIfHung = (flags & SmtoAbortIfHung) != 0;
  if (it->second.flagged && abortIfHung) return false;
  if (it->second.hung) {
    elapsed_ += timeoutMs / 1000.0;
    it->second.flagged = true;
    return false;
  }
  it->second.flagged = false;  // answering clears it
  elapsed_ += sendCost;
  // The A functions convert to the ANSI code page, and so does the system
  // for an ANSI window.
  const bool ansi = it->second.ansi || ansiCall;
  if (const auto* in = std::get_if<TextIn>(&lParam); in != nullptr && ansi) {
    const std::u16string converted = ThroughAnsiCodePage(*this, in->text);
    *result = Deliver(window, message, wParam, TextIn{converted});
    return true;
  }
  const bool hangsNext = it->second.hungAfterEnter && message == WmChar && wParam == 13;
  *result = Deliver(window, message, wParam, lParam);
  if (auto after = windows_.find(window); hangsNext && after != windows_.end()) {
    after->second.hung = true;
  }
  return true;
}

std::string FakeHost::WideCharToMultiByte(std::u16string_view text) {
  return Utf8(ansiCodePage(text));
}

std::u16string FakeHost::MultiByteToWideChar(std::string_view text) {
  std::u16string wide;
  for (std::size_t i = 0; i < text.size();) {  // the UTF-8 that Utf8 writes
    const auto byte = static_cast<unsigned char>(text[i]);
    const std::size_t length = byte < 0x80 ? 1 : byte < 0xE0 ? 2 : 3;
    char16_t c = length == 1 ? byte : length == 2 ? (byte & 0x1F) : (byte & 0x0F);
    for (std::size_t k = 1; k < length && i + k < text.size(); ++k) {
      c = static_cast<char16_t>((c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F));
    }
    wide += c;
    i += length;
  }
  return wide;
}

bool FakeHost::ReleaseCapture() {
  Record("ReleaseCapture()");
  return true;
}

bool FakeHost::SetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int cx,
                            int cy, std::uint32_t flags) {
  Record("SetWindowPos(" + std::to_string(window) + ", " +
         (insertAfter == HwndTopmost ? std::string("HWND_TOPMOST") : std::to_string(insertAfter)) +
         ", " + std::to_string(x) + ", " + std::to_string(y) + ", " + std::to_string(cx) + ", " +
         std::to_string(cy) + ", " + std::to_string(flags) + ")");
  if (window == FormWindowHandle) CheckFormAlive("SetWindowPos");
  return true;
}

// --- HostServices: kernel and shell ---

namespace {

// A path into a buffer the way the W functions fill one.
std::uint32_t FillPath(const std::u16string& path, std::uint32_t bufferLength,
                       std::u16string& buffer) {
  buffer.assign(bufferLength, u' ');
  const auto length = static_cast<std::uint32_t>(path.size());
  if (bufferLength <= length) return length + 1;  // too small: the size it needs
  buffer.replace(0, length + 1, path + u'\0');
  return length;
}

}  // namespace

std::uint32_t FakeHost::GetTempPathW(std::uint32_t bufferLength, std::u16string& buffer) {
  Record("GetTempPathW(" + std::to_string(bufferLength) + ")");
  if (fs.tempPathFails) {
    buffer.assign(bufferLength, u' ');
    return 0;
  }
  return FillPath(fs.tempPath, bufferLength, buffer);
}

std::uint32_t FakeHost::GetShortPathNameW(const std::u16string& longPath,
                                          std::uint32_t bufferLength, std::u16string& buffer) {
  Record("GetShortPathNameW(" + Utf8(longPath) + ", " + std::to_string(bufferLength) + ")");
  const auto found = fs.shortPaths.find(longPath);
  return FillPath(found != fs.shortPaths.end() ? found->second : longPath, bufferLength, buffer);
}

std::intptr_t FakeHost::FindExecutableA(const std::u16string& file, const std::u16string& directory,
                                        std::u16string& result) {
  Record("FindExecutableA(" + Utf8(file) + ", " + Utf8(directory) + ")");
  result.clear();
  if (fs.files.count(directory + file) == 0) return 2;  // the file must exist
  if (shell.findResult >= 32) result = shell.browser + u'\0' + u"junk";
  return shell.findResult;
}

bool FakeHost::CreateProcessA(const std::u16string& applicationName,
                              const std::u16string& commandLine, bool inheritHandles,
                              std::uint32_t creationFlags, const StartupInfo& startup,
                              ProcessInformation& process) {
  Record("CreateProcessA(" + Utf8(applicationName) + ", \"" + Utf8(commandLine) + "\", " +
         (inheritHandles ? "inherit" : "no inherit") + ", " + std::to_string(creationFlags) +
         ", flags " + std::to_string(startup.dwFlags) + ", show " +
         std::to_string(startup.wShowWindow) + ")");
  if (shell.processStartFails) return false;
  process.hProcess = nextKernelHandle_++;
  process.hThread = nextKernelHandle_++;
  openHandles_[process.hProcess] = u"process";
  openHandles_[process.hThread] = u"thread";
  return true;
}

bool FakeHost::CloseHandle(KernelHandle handle) {
  Record("CloseHandle(" + std::to_string(handle) + ")");
  if (openHandles_.erase(handle) == 0) {
    Record("!! CloseHandle of a handle that was not open");
    return false;
  }
  return true;
}

KernelHandle FakeHost::CreateFileA(const std::u16string& path) {
  Record("CreateFileA(" + Utf8(path) + ")");
  if (fs.folderReadOnly || fs.files.count(path) != 0) return InvalidHandleValue;
  fs.files[path] = "";
  const KernelHandle handle = nextKernelHandle_++;
  openHandles_[handle] = path;
  return handle;
}

bool FakeHost::DeleteFileA(const std::u16string& path) {
  Record("DeleteFileA(" + Utf8(path) + ")");
  if (fs.deleteFails) return false;
  return fs.files.erase(path) != 0;
}

// --- HostServices: runtime ---

double FakeHost::Timer() {
  // Like the real clock, always within the day, also after a set-back past midnight.
  const double clock = std::fmod(clockOrigin_ + elapsed_, SecondsPerDay);
  return clock < 0 ? clock + SecondsPerDay : clock;
}

bool FakeHost::DoEvents() {
  ++pumps_;
  if (spinLimit > 0 && pumps_ > spinLimit) throw std::runtime_error("more pumps than spinLimit");
  while (!quitSeen_ && formExists_ && DeliverDueEvent()) {
  }
  return formExists_ && !quitSeen_;
}

void FakeHost::MsgWaitForMultipleObjectsEx(std::uint32_t timeoutMs) {
  ++waits_;
  if (spinLimit > 0 && waits_ > spinLimit) throw std::runtime_error("more waits than spinLimit");
  double wakeAt = elapsed_ + timeoutMs / 1000.0;
  if (!events_.empty() && events_.top().at < wakeAt) wakeAt = std::max(elapsed_, events_.top().at);
  elapsed_ = wakeAt;
}

void FakeHost::CheckFormAlive(std::string_view what) {
  if (!formExists_) {
    touchedAfterUnload_ = true;
    Record("!! " + std::string(what) + " after unload");
  }
}

WindowHandle FakeHost::FormHandle() {
  CheckFormAlive("FormHandle");
  return FormWindowHandle;
}

void FakeHost::UnloadForm() {
  CheckFormAlive("UnloadForm");
  Record("UnloadForm()");
  formExists_ = false;
  ++timerGeneration_;  // no timer outlives the window
}

bool FakeHost::IsEnabled(Control control) {
  CheckFormAlive("IsEnabled");
  return controls_[control].enabled;
}

void FakeHost::SetEnabled(Control control, bool enabled) {
  CheckFormAlive("SetEnabled");
  Record("SetEnabled(" + ControlName(control) + ", " + (enabled ? "true" : "false") + ")");
  ControlState& state = controls_[control];
  if (control == Control::Timer1 && enabled != state.enabled) {
    ++timerGeneration_;
    if (enabled) ScheduleTick(timerGeneration_, elapsed_ + Form1Layout().timerIntervalMs / 1000.0);
  }
  state.enabled = enabled;
}

std::u16string FakeHost::GetText(Control control) {
  CheckFormAlive("GetText");
  Record("GetText(" + ControlName(control) + ")");
  return controls_[control].text;
}

void FakeHost::SetText(Control control, std::u16string_view text) {
  CheckFormAlive("SetText");
  Record("SetText(" + ControlName(control) + ", \"" + Utf8(text) + "\")");
  controls_[control].text = std::u16string(text);
}

}  // namespace drowsel::testing
