// The driver's long-lived mode: one process takes command after command on
// standard input, so that a look at the window costs a round trip through a
// pipe rather than a start of the program.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace driver {

// Runs one command line's words (commands joined by "then"); returns its exit code.
using CommandRunner = std::function<int(const std::vector<std::wstring>&)>;

// Runs each line of standard input (UTF-8, words separated by tabs) and
// answers it on one line: the exit code, then what the command printed
// (key=value) and error=WHY if it failed, each after a tab. Keeps two scratch
// files in `folder`. 0 at the end of the input, 1 if output cannot be captured.
int Serve(const std::wstring& folder, const CommandRunner& run);

}  // namespace driver
