// Follows a log file that another program appends to, a whole line at a time.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "host/win32/scoped.h"

namespace bench {

// Cuts a stream of bytes into lines. Bytes after the last line break wait for
// the rest of their line; a carriage return before the break is dropped.
class LineSplitter {
 public:
  std::vector<std::string> Feed(std::string_view bytes);

 private:
  std::string partial_;
};

// The lines added to a file since it was opened (or since the last Read).
class LineTail {
 public:
  // from_start: also the lines already there; otherwise only those added later.
  LineTail(const std::wstring& path, bool from_start);

  bool ok() const { return file_.valid(); }
  // The complete lines written since the last call; none when there are none
  // or the file cannot be read.
  std::vector<std::string> Read();

 private:
  drowsel::win32host::ScopedHandle file_;
  LineSplitter splitter_;
};

}  // namespace bench
