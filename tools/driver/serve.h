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
// answers on standard output: what the command printed (key=value lines, and
// its error lines, which standard error shares from now on), then a line
// `end=CODE` with its exit code. Returns 0 at the end of the input, 1 if
// standard error cannot share standard output.
int Serve(const CommandRunner& run);

}  // namespace driver
