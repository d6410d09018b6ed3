#include "chat_client.h"

#include <algorithm>

namespace standin {
namespace {

constexpr char FrameClass[] = "AOL Frame25";
constexpr char DocClass[] = "AOL Child";
constexpr char InputClass[] = "RICHCNTL";
constexpr UINT FirstMdiChildId = 0xff00;
constexpr int InputHeight = 24;
constexpr UINT_PTR LateEnterTimer = 0x5e17;
constexpr UINT_PTR WatchTimer = 0x5e18;
constexpr UINT WatchMs = 20;

// The procedure of the control the input is made from (EDIT or a rich edit);
// the input hands everything it does not handle itself to it.
WNDPROC g_edit_proc = nullptr;
bool g_unicode = false;  // the input is a Unicode window

LRESULT CallEdit(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  return g_unicode ? CallWindowProcW(g_edit_proc, hwnd, msg, wparam, lparam)
                   : CallWindowProcA(g_edit_proc, hwnd, msg, wparam, lparam);
}

std::wstring Wide(const std::string& utf8) {
  std::wstring out(utf8.size() + 1, L'\0');
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(),
                              static_cast<int>(out.size()));
  out.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return out;
}

std::string Narrow(const std::wstring& text, UINT code_page) {
  std::string out(text.size() * 4 + 1, '\0');
  int n = WideCharToMultiByte(code_page, 0, text.data(), static_cast<int>(text.size()), out.data(),
                              static_cast<int>(out.size()), nullptr, nullptr);
  out.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return out;
}

std::wstring WideText(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::string RegisterClasses(HINSTANCE instance, WNDPROC frame_proc, WNDPROC doc_proc,
                            WNDPROC input_proc, InputKind kind) {
  auto register_class = [](WNDCLASSA& wc) {
    return RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  };

  WNDCLASSA frame{};
  frame.lpfnWndProc = frame_proc;
  frame.hInstance = instance;
  frame.hCursor = LoadCursor(nullptr, IDC_ARROW);
  frame.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
  frame.lpszClassName = FrameClass;
  if (!register_class(frame)) return "cannot register the frame class";

  WNDCLASSA doc{};
  doc.lpfnWndProc = doc_proc;
  doc.hInstance = instance;
  doc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  doc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  doc.lpszClassName = DocClass;
  if (!register_class(doc)) return "cannot register the document class";

  // The input is an EDIT or a rich edit under another name: same extra bytes
  // and styles, our procedure in front of the control's.
  if (kind != InputKind::Edit && !LoadLibraryA("riched20.dll")) return "no riched20.dll";
  if (kind == InputKind::RichEditUnicode) {
    WNDCLASSW input{};
    if (!GetClassInfoW(nullptr, L"RichEdit20W", &input)) return "no RichEdit20W class";
    g_edit_proc = input.lpfnWndProc;
    g_unicode = true;
    input.lpfnWndProc = input_proc;
    input.hInstance = instance;
    input.lpszClassName = L"RICHCNTL";
    if (RegisterClassW(&input) == 0) return "cannot register the input class";
    return {};
  }
  WNDCLASSA input{};
  if (!GetClassInfoA(nullptr, kind == InputKind::Edit ? "EDIT" : "RichEdit20A", &input)) {
    return "no class for the input";
  }
  g_edit_proc = input.lpfnWndProc;
  input.lpfnWndProc = input_proc;
  input.hInstance = instance;
  input.lpszClassName = InputClass;
  if (!register_class(input)) return "cannot register the input class";
  return {};
}

// The input's text in the ANSI code page, as the room receives it.
std::string EditText(HWND edit) {
  if (g_unicode) return Narrow(WideText(edit), CP_ACP);
  auto length = CallWindowProcA(g_edit_proc, edit, WM_GETTEXTLENGTH, 0, 0);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  auto copied = CallWindowProcA(g_edit_proc, edit, WM_GETTEXT, text.size(),
                                reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(copied));
  return text;
}

void AppendLine(HWND transcript, const std::string& text) {
  int end = GetWindowTextLengthA(transcript);
  std::string line = end > 0 ? "\r\n" + text : text;
  SendMessageA(transcript, EM_SETSEL, end, end);
  SendMessageA(transcript, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(line.c_str()));
}

}  // namespace

ChatClient::ChatClient(HINSTANCE instance, Options options, EventLog& log)
    : instance_(instance),
      options_(std::move(options)),
      log_(log),
      schedule_(options_.switches, options_.exit_after) {}

ChatClient::~ChatClient() {
  if (frame_ && IsWindow(frame_)) {
    // Torn down by its owner, not closed: no EXIT, no quit message.
    SetWindowLongPtrA(frame_, GWLP_USERDATA, 0);
    DestroyWindow(frame_);
  }
}

std::string ChatClient::Create() {
  std::string error = RegisterClasses(instance_, FrameProc, DocProc, InputProc, options_.input);
  if (!error.empty()) return error;
  stall_message_ = RegisterWindowMessageA(StallMessageName);
  if (stall_message_ == 0) return "cannot register the stall message";
  font_ = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));

  frame_ = CreateWindowExA(0, FrameClass, "AOL", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 150, 600,
                           400, nullptr, nullptr, instance_, this);
  if (!frame_) return "cannot create the frame";

  CLIENTCREATESTRUCT ccs{nullptr, FirstMdiChildId};
  RECT area;
  GetClientRect(frame_, &area);
  mdi_client_ = CreateWindowExA(WS_EX_CLIENTEDGE, "MDICLIENT", nullptr,
                                WS_CHILD | WS_CLIPCHILDREN | WS_VSCROLL | WS_HSCROLL | WS_VISIBLE,
                                0, 0, area.right, area.bottom, frame_, nullptr, instance_, &ccs);
  if (!mdi_client_) return "cannot create the MDI client";
  ShowWindow(frame_, SW_SHOW);
  UpdateWindow(frame_);

  for (const Document& doc : options_.documents) {
    auto windows = std::make_unique<DocWindows>();
    windows->client = this;
    windows->doc = doc;
    int offset = 24 * static_cast<int>(docs_.size());
    MDICREATESTRUCTA mcs{};
    mcs.szClass = DocClass;
    mcs.szTitle = doc.name.c_str();
    mcs.hOwner = instance_;
    mcs.x = offset;
    mcs.y = offset;
    mcs.cx = 420;
    mcs.cy = 260;
    mcs.lParam = reinterpret_cast<LPARAM>(windows.get());
    DocWindows& created = *docs_.emplace_back(std::move(windows));  // windows point at it
    SendMessageA(mdi_client_, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs));
    if (!created.window) return "cannot create document " + doc.name;
    if (doc.chat_room && !(created.input && created.transcript)) {
      return "cannot create the controls of " + doc.name;
    }
  }

  HWND front = FindDoc(options_.front)->window;
  SendMessageA(mdi_client_, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(front), 0);
  if (GetWindow(mdi_client_, GW_CHILD) != front) return options_.front + " did not come to front";
  for (auto& doc : docs_) {
    if (!doc->input || options_.draft.empty()) continue;
    // The user's draft, typed in: the caret after its last character.
    SetWindowTextW(doc->input, Wide(options_.draft).c_str());
    const LRESULT end = GetWindowTextLengthW(doc->input);
    SendMessageW(doc->input, EM_SETSEL, static_cast<WPARAM>(end), end);
  }
  if (options_.watch_input) {
    LogInputs();
    if (SetTimer(frame_, WatchTimer, WatchMs, nullptr) == 0) return "cannot start the watch timer";
  }
  log_.Line("READY");
  ready_ = true;
  return {};
}

LRESULT CALLBACK ChatClient::FrameProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lparam);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<ChatClient*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self) return DefFrameProcA(hwnd, nullptr, msg, wparam, lparam);
  if (msg == WM_DESTROY) {
    self->log_.Line("EXIT");
    PostQuitMessage(0);
    return 0;
  }
  if (msg == WM_TIMER && wparam == WatchTimer) {
    self->LogInputs();
    return 0;
  }
  if (self->stall_message_ != 0 && msg == self->stall_message_) {
    self->Stall(static_cast<DWORD>(wparam));
    return 0;
  }
  return DefFrameProcA(hwnd, self->mdi_client_, msg, wparam, lparam);
}

LRESULT CALLBACK ChatClient::DocProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_CREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lparam);
    auto* mcs = static_cast<MDICREATESTRUCTA*>(create->lpCreateParams);
    auto* doc = reinterpret_cast<DocWindows*>(mcs->lParam);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, mcs->lParam);
    doc->window = hwnd;
    doc->client->CreateDocChildren(*doc);
  }
  auto* doc = reinterpret_cast<DocWindows*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (doc && msg == WM_SIZE) doc->client->LayOutDoc(*doc);  // and on to DefMDIChildProc
  if (doc && msg == WM_SETFOCUS && doc->input) {
    SetFocus(doc->input);
    return 0;
  }
  return DefMDIChildProcA(hwnd, msg, wparam, lparam);
}

LRESULT CALLBACK ChatClient::InputProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  auto* doc = reinterpret_cast<DocWindows*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (doc) {
    doc->client->OnInputMessage(*doc, msg, wparam, lparam);
    const int late_ms = doc->client->options_.late_enter_ms;
    if (msg == WM_CHAR && wparam == '\r' && late_ms > 0) {
      // A client that finishes handling the key first and sends from a timer.
      SetTimer(hwnd, LateEnterTimer, static_cast<UINT>(late_ms), nullptr);
      return 0;
    }
    if (msg == WM_CHAR && wparam == '\r') {
      doc->client->PostReturn(*doc);
      return 0;
    }
    if (msg == WM_TIMER && wparam == LateEnterTimer) {
      KillTimer(hwnd, LateEnterTimer);
      doc->client->PostReturn(*doc);
      return 0;
    }
  }
  return CallEdit(hwnd, msg, wparam, lparam);
}

void ChatClient::CreateDocChildren(DocWindows& doc) {
  DWORD child = WS_CHILD | WS_VISIBLE;
  if (doc.doc.chat_room) {
    // The input first, so it is the document's first child in Z order.
    doc.input =
        CreateWindowExA(WS_EX_CLIENTEDGE, InputClass, "", child | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0,
                        0, 0, doc.window, nullptr, instance_, nullptr);
    doc.transcript =
        CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                        child | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 0, 0, 0,
                        0, doc.window, nullptr, instance_, nullptr);
    if (doc.input) {
      SetWindowLongPtrA(doc.input, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&doc));
      SendMessageA(doc.input, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    }
    if (doc.transcript) {
      SendMessageA(doc.transcript, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
      SendMessageA(doc.transcript, EM_SETLIMITTEXT, 0, 0);  // no 32K cap on a long session
    }
  } else {
    HWND text = CreateWindowExA(0, "STATIC", "Nothing to chat about here.", child, 8, 8, 300, 20,
                                doc.window, nullptr, instance_, nullptr);
    if (text) SendMessageA(text, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  }
}

void ChatClient::LayOutDoc(const DocWindows& doc) {
  if (!doc.input || !doc.transcript) return;
  RECT area;
  GetClientRect(doc.window, &area);
  int transcript_height = std::max(0, static_cast<int>(area.bottom) - InputHeight - 12);
  MoveWindow(doc.transcript, 4, 4, area.right - 8, transcript_height, TRUE);
  MoveWindow(doc.input, 4, area.bottom - InputHeight - 4, area.right - 8, InputHeight, TRUE);
}

void ChatClient::OnInputMessage(DocWindows& doc, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (!ready_ || watching_) return;  // our own doing, not the sender's
  const std::string& room = doc.doc.name;
  bool logged = true;
  switch (msg) {
    case WM_SETTEXT: {
      std::string text;
      if (g_unicode && lparam != 0) {
        text = Narrow(reinterpret_cast<const wchar_t*>(lparam), CP_ACP);
      } else if (lparam != 0) {
        text = reinterpret_cast<const char*>(lparam);
      }
      log_.Line(room + " WM_SETTEXT " + HexBytes(text));
      break;
    }
    case WM_CHAR:
      log_.Line(room + " WM_CHAR " + std::to_string(wparam));
      break;
    case WM_GETTEXTLENGTH:
      log_.Line(room + " WM_GETTEXTLENGTH");
      break;
    case WM_GETTEXT:
      log_.Line(room + " WM_GETTEXT " + std::to_string(wparam));
      break;
    default:
      logged = false;
  }

  // A hung client: the first thing anyone asks of an input after start-up
  // (a text or char message, or any message sent from another thread)
  // never gets an answer, and nothing else on this thread runs either.
  if (options_.hang && ready_ && (logged || InSendMessage())) {
    log_.Line(room + " HUNG");
    Sleep(INFINITE);
  }
}

void ChatClient::PostReturn(DocWindows& doc) {
  std::string text = EditText(doc.input);
  AppendLine(doc.transcript, text);
  if (g_unicode) {
    CallWindowProcW(g_edit_proc, doc.input, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
  } else {
    CallWindowProcA(g_edit_proc, doc.input, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
  }
  log_.Line(doc.doc.name + " POSTED " + HexBytes(text));

  AfterReturn after = schedule_.OnReturnPosted();
  for (const std::string& name : after.bring_to_front) BringToFront(name);
  // Posted, so whoever sent the return gets its answer before we go.
  if (after.exit) PostMessageA(frame_, WM_CLOSE, 0, 0);
}

void ChatClient::LogInputs() {
  // What the user sees in each input: its text (UTF-8) and the selection,
  // logged when it changes.
  watching_ = true;
  for (auto& doc : docs_) {
    if (!doc->input) continue;
    DWORD start = 0, end = 0;
    SendMessageW(doc->input, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    std::string shown = HexBytes(Narrow(WideText(doc->input), CP_UTF8)) + " " +
                        std::to_string(start) + " " + std::to_string(end);
    if (shown == doc->shown) continue;
    doc->shown = shown;
    log_.Line(doc->doc.name + " INPUT " + shown);
  }
  watching_ = false;
}

void ChatClient::BringToFront(const std::string& name) {
  DocWindows* doc = FindDoc(name);
  if (!doc || !IsWindow(doc->window)) return;
  SendMessageA(mdi_client_, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(doc->window), 0);
  log_.Line("FRONT " + name);
}

void ChatClient::Stall(DWORD ms) {
  // Every window of the client is on this thread, so none answers meanwhile.
  log_.Line("STALL " + std::to_string(ms));
  Sleep(ms);
  log_.Line("ANSWERING");
}

ChatClient::DocWindows* ChatClient::FindDoc(const std::string& name) {
  for (auto& doc : docs_) {
    if (doc->doc.name == name) return doc.get();
  }
  return nullptr;
}

}  // namespace standin
