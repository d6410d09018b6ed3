#include "serve.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

namespace driver {
namespace {

// A C runtime file descriptor, closed with its owner.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) _close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// A scratch file in `folder`, gone when closed; null if it cannot be made.
// Not in the temporary folder: a test may have pointed that anywhere.
FILE* ScratchFile(const std::wstring& folder, const std::wstring& name) {
  const std::wstring path =
      folder + L"\\drowsel-driver-" + std::to_wstring(GetCurrentProcessId()) + L"." + name;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDWR | _O_BINARY);
  if (fd < 0) {
    CloseHandle(file);
    return nullptr;
  }
  FILE* stream = _fdopen(fd, "w+b");
  if (stream == nullptr) _close(fd);
  return stream;
}

// A scratch file that a standard stream is pointed at while a command runs,
// so that what the command prints can be read back and put on one line.
class Capture {
 public:
  Capture(FILE* stream, int fd, FILE* file)
      : stream_(stream), fd_(fd), saved_(_dup(fd)), file_(file) {}
  ~Capture() {
    if (file_ != nullptr) std::fclose(file_);
  }
  Capture(const Capture&) = delete;
  Capture& operator=(const Capture&) = delete;

  bool ok() const { return saved_.get() >= 0 && file_ != nullptr; }

  void Begin() {
    std::fflush(stream_);
    _dup2(_fileno(file_), fd_);
  }

  // What was printed since Begin, with the stream back where it was.
  std::string End() {
    std::fflush(stream_);
    _dup2(saved_.get(), fd_);
    std::string text;
    std::rewind(file_);
    char chunk[4096];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof(chunk), file_)) > 0) text.append(chunk, got);
    _chsize(_fileno(file_), 0);
    std::rewind(file_);
    return text;
  }

  int saved() const { return saved_.get(); }

 private:
  FILE* stream_;
  int fd_;
  Descriptor saved_;
  FILE* file_;
};

std::wstring Wide(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
  return out;
}

std::vector<std::wstring> Words(const std::string& line) {
  std::vector<std::wstring> words;
  std::size_t start = 0;
  while (start <= line.size()) {
    const std::size_t tab = line.find('\t', start);
    const std::size_t end = tab == std::string::npos ? line.size() : tab;
    words.push_back(Wide(line.substr(start, end - start)));
    start = end + 1;
  }
  return words;
}

// The printed lines as tab-separated fields, carriage returns dropped.
void AddFields(const std::string& text, const std::string& prefix, std::string& answer) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) answer += "\t" + prefix + line;
    start = end + 1;
  }
}

bool ReadLine(std::string& line) {
  line.clear();
  char chunk[4096];
  while (std::fgets(chunk, sizeof(chunk), stdin) != nullptr) {
    line += chunk;
    if (!line.empty() && line.back() == '\n') {
      line.pop_back();
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return true;
    }
  }
  return !line.empty();
}

}  // namespace

int Serve(const std::wstring& folder, const CommandRunner& run) {
  Capture out(stdout, _fileno(stdout), ScratchFile(folder, L"out"));
  Capture err(stderr, _fileno(stderr), ScratchFile(folder, L"err"));
  if (!out.ok() || !err.ok()) return 1;
  // The answers go out unchanged, and each as soon as it is complete.
  _setmode(out.saved(), _O_BINARY);
  std::string line;
  while (ReadLine(line)) {
    out.Begin();
    err.Begin();
    const int code = run(Words(line));
    std::string answer = std::to_string(code);
    AddFields(out.End(), "", answer);
    std::string said = err.End();
    const std::string tag = "drowsel-driver: ";
    for (std::size_t at = said.find(tag); at != std::string::npos; at = said.find(tag)) {
      said.erase(at, tag.size());
    }
    AddFields(said, "error=", answer);
    answer += "\n";
    if (_write(out.saved(), answer.data(), static_cast<unsigned>(answer.size())) < 0) return 1;
  }
  return 0;
}

}  // namespace driver
