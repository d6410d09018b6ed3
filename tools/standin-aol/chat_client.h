// The stand-in chat client's windows:
//   "AOL Frame25" > "MDIClient" > "AOL Child" (one per document)
// and in each chat room document, in creation (and so Z) order, the input
// of class "RICHCNTL" and a read-only transcript.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "event_log.h"
#include "options.h"
#include "schedule.h"

namespace standin {

// Posted to the frame with a time in milliseconds as wParam, this registered
// message makes the client stop answering for that long, then carry on.
inline constexpr char StallMessageName[] = "StandinAolStall";

class ChatClient {
 public:
  ChatClient(HINSTANCE instance, Options options, EventLog& log);
  ~ChatClient();
  ChatClient(const ChatClient&) = delete;
  ChatClient& operator=(const ChatClient&) = delete;

  // Creates and shows every window, brings the front document forward and
  // logs READY. Returns an error message, empty on success.
  std::string Create();

  HWND frame() const { return frame_; }
  HWND mdi_client() const { return mdi_client_; }

 private:
  struct DocWindows {
    ChatClient* client = nullptr;
    Document doc;
    HWND window = nullptr;
    HWND input = nullptr;       // chat rooms only
    HWND transcript = nullptr;  // chat rooms only
    std::string shown;          // the input's state as last logged
  };

  static LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK DocProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK InputProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);

  void CreateDocChildren(DocWindows& doc);
  void LayOutDoc(const DocWindows& doc);
  void OnInputMessage(DocWindows& doc, UINT msg, WPARAM wparam, LPARAM lparam);
  void PostReturn(DocWindows& doc);
  void LogInputs();
  void BringToFront(const std::string& name);
  void Stall(DWORD ms);
  DocWindows* FindDoc(const std::string& name);

  HINSTANCE instance_;
  Options options_;
  EventLog& log_;
  ReturnSchedule schedule_;
  std::vector<std::unique_ptr<DocWindows>> docs_;
  HWND frame_ = nullptr;
  HWND mdi_client_ = nullptr;
  HFONT font_ = nullptr;
  UINT stall_message_ = 0;
  bool ready_ = false;
  bool watching_ = false;  // reading the inputs ourselves: not logged
};

}  // namespace standin
