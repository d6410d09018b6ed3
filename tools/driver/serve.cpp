#include "serve.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace driver {
namespace {

// A scratch file that a standard stream is pointed at while a command runs,
// so that what the command printed can be read back. It is in the folder
// given, not the temporary one, which a test may have pointed anywhere.
class Capture {
 public:
  Capture(FILE* stream, const std::wstring& path)
      : stream_(stream), fd_(_fileno(stream)), saved_(_dup(fd_)) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    file_ = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDWR | _O_BINARY);
    if (file_ < 0) CloseHandle(file);
  }
  ~Capture() {
    if (file_ >= 0) _close(file_);
    if (saved_ >= 0) _close(saved_);
  }
  Capture(const Capture&) = delete;
  Capture& operator=(const Capture&) = delete;

  bool ok() const { return saved_ >= 0 && file_ >= 0; }
  int saved() const { return saved_; }

  void Begin() {
    std::fflush(stream_);
    _dup2(file_, fd_);
  }

  // What was printed since Begin; the stream is back where it was.
  std::string End() {
    std::fflush(stream_);
    _dup2(saved_, fd_);
    std::string text(static_cast<std::size_t>(_lseek(file_, 0, SEEK_END)), '\0');
    _lseek(file_, 0, SEEK_SET);
    const int got = _read(file_, text.data(), static_cast<unsigned>(text.size()));
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    _chsize(file_, 0);
    _lseek(file_, 0, SEEK_SET);
    return text;
  }

 private:
  FILE* stream_;
  int fd_;
  int saved_;
  int file_ = -1;
};

std::vector<std::wstring> Words(const std::string& line) {
  std::vector<std::wstring> words;
  for (std::size_t start = 0; start <= line.size();) {
    std::size_t end = line.find('\t', start);
    if (end == std::string::npos) end = line.size();
    const int size = static_cast<int>(end - start);
    std::wstring word(static_cast<std::size_t>(size), L'\0');
    word.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_UTF8, 0, line.data() + start, size, word.data(), size)));
    words.push_back(word);
    start = end + 1;
  }
  return words;
}

// Each printed line as a field after a tab, with `prefix` in front (an
// error line in place of the program's name).
void AddFields(const std::string& text, const std::string& prefix, std::string& answer) {
  const std::string name = "drowsel-driver: ";
  for (std::size_t start = 0, end = 0; start < text.size(); start = end + 1) {
    end = std::min(text.find('\n', start), text.size());
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.compare(0, name.size(), name) == 0) line.erase(0, name.size());
    if (!line.empty()) answer += "\t" + prefix + line;
  }
}

bool ReadLine(std::string& line) {
  line.clear();
  char chunk[4096];
  while (std::fgets(chunk, sizeof(chunk), stdin) != nullptr) {
    line += chunk;
    if (line.back() != '\n') continue;
    line.pop_back();
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
  }
  return !line.empty();
}

}  // namespace

int Serve(const std::wstring& folder, const CommandRunner& run) {
  const std::wstring scratch =
      folder + L"\\drowsel-driver-" + std::to_wstring(GetCurrentProcessId());
  Capture out(stdout, scratch + L".out");
  Capture err(stderr, scratch + L".err");
  if (!out.ok() || !err.ok()) return 1;
  _setmode(out.saved(), _O_BINARY);  // each answer goes out as it is
  std::string line;
  while (ReadLine(line)) {
    out.Begin();
    err.Begin();
    std::string answer = std::to_string(run(Words(line)));
    AddFields(out.End(), "", answer);
    AddFields(err.End(), "error=", answer);
    answer += "\n";
    if (_write(out.saved(), answer.data(), static_cast<unsigned>(answer.size())) < 0) return 1;
  }
  return 0;
}

}  // namespace driver
