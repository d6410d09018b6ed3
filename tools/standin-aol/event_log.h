// The event log the tests read while the client runs: one ASCII line per
// event, written through at once.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace standin {

// Lowercase hex of the raw bytes, no separators ("" for no bytes).
std::string HexBytes(std::string_view bytes);

class EventLog {
 public:
  virtual ~EventLog() = default;
  // Writes `line` followed by a newline.
  virtual void Line(std::string_view line) = 0;
};

// Drops every line; used when no --log is given.
class NullLog : public EventLog {
 public:
  void Line(std::string_view) override {}
};

// Appends to a file, opened so that readers can follow it while we write.
// Returns null when the file cannot be opened.
std::unique_ptr<EventLog> OpenFileLog(const std::string& path);

}  // namespace standin
