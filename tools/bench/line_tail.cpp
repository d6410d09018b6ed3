#include "line_tail.h"

namespace bench {

std::vector<std::string> LineSplitter::Feed(std::string_view bytes) {
  std::vector<std::string> lines;
  for (;;) {
    const std::size_t newline = bytes.find('\n');
    if (newline == std::string_view::npos) break;
    partial_.append(bytes.substr(0, newline));
    if (!partial_.empty() && partial_.back() == '\r') partial_.pop_back();
    lines.push_back(std::move(partial_));
    partial_.clear();
    bytes.remove_prefix(newline + 1);
  }
  partial_.append(bytes);
  return lines;
}

LineTail::LineTail(const std::wstring& path, bool from_start)
    : file_(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {
  if (ok() && !from_start) SetFilePointer(file_.get(), 0, nullptr, FILE_END);
}

std::vector<std::string> LineTail::Read() {
  std::vector<std::string> lines;
  if (!ok()) return lines;
  char buffer[4096];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file_.get(), buffer, sizeof(buffer), &got, nullptr) || got == 0) break;
    std::vector<std::string> more = splitter_.Feed(std::string_view(buffer, got));
    for (std::string& line : more) lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace bench
