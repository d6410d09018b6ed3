#include <windows.h>

#include "event_log.h"

namespace standin {
namespace {

class FileLog : public EventLog {
 public:
  explicit FileLog(HANDLE file) : file_(file) {}
  ~FileLog() override { CloseHandle(file_); }
  FileLog(const FileLog&) = delete;
  FileLog& operator=(const FileLog&) = delete;

  // One WriteFile per line, with no buffering of our own, so a reader
  // never sees half a line and never waits for a flush.
  void Line(std::string_view line) override {
    std::string text(line);
    text += '\n';
    DWORD written = 0;
    WriteFile(file_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }

 private:
  HANDLE file_;
};

}  // namespace

std::unique_ptr<EventLog> OpenFileLog(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<FileLog>(file);
}

}  // namespace standin
