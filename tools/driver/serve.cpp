#include "serve.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <iostream>
#include <string>

namespace driver {
namespace {

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

}  // namespace

int Serve(const CommandRunner& run) {
  // Each line goes out as it is, and an error line in its place among the
  // others: a command flushes what it printed before it says what failed.
  _setmode(_fileno(stdout), _O_BINARY);
  if (_dup2(_fileno(stdout), _fileno(stderr)) != 0) return 1;
  std::string line;
  while (std::getline(std::cin, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const int code = run(Words(line));
    std::fflush(stdout);
    std::printf("end=%d\n", code);
    std::fflush(stdout);
  }
  return 0;
}

}  // namespace driver
