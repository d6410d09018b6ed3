// The driver's long-lived mode: one process that takes command after command
// on standard input, so that a look at the window costs a pipe round trip
// rather than a start of the program.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace driver {

// Runs one command line's words (commands joined by "then"); returns its exit code.
using CommandRunner = std::function<int(const std::vector<std::wstring>&)>;

// Reads commands from standard input, one a line (UTF-8, words separated by
// tabs), runs each with `run` and answers each on one line of standard
// output: the exit code, then the lines the command printed (key=value) and,
// if it failed, error=WHY, all separated by tabs. Keeps two scratch files in
// `folder`. Returns 0 at the end of the input, 1 if the output could not be
// captured.
int Serve(const std::wstring& folder, const CommandRunner& run);

}  // namespace driver
