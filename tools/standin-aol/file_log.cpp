#include <windows.h>

#include <utility>

#include "event_log.h"
#include "host/win32/scoped.h"

namespace standin {
namespace {

class FileLog : public EventLog {
 public:
  explicit FileLog(drowsel::win32host::ScopedHandle file) : file_(std::move(file)) {}

  // One WriteFile per line, with no buffering of our own, so a reader
  // never sees half a line and never waits for a flush.
  void Line(std::string_view line) override {
    std::string text(line);
    text += '\n';
    DWORD written = 0;
    WriteFile(file_.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }

 private:
  drowsel::win32host::ScopedHandle file_;
};

}  // namespace

std::unique_ptr<EventLog> OpenFileLog(const std::string& path) {
  drowsel::win32host::ScopedHandle file(CreateFileA(path.c_str(), FILE_APPEND_DATA,
                                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return nullptr;
  return std::make_unique<FileLog>(std::move(file));
}

}  // namespace standin
