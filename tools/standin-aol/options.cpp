#include "options.h"

#include <algorithm>
#include <charconv>

namespace standin {
namespace {

// Names go into log lines that are split on spaces, so keep them to
// printable ASCII without blanks.
bool IsValidName(const std::string& name) {
  return !name.empty() &&
         std::all_of(name.begin(), name.end(), [](char c) { return c > ' ' && c < 0x7f; });
}

std::optional<int> ParseCount(std::string_view text) {
  int value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || value < 1) return std::nullopt;
  return value;
}

bool HasDocument(const Options& options, const std::string& name) {
  return std::any_of(options.documents.begin(), options.documents.end(),
                     [&](const Document& d) { return d.name == name; });
}

ParseResult Fail(std::string error) {
  return ParseResult{std::nullopt, std::move(error)};
}

}  // namespace

ParseResult ParseOptions(const std::vector<std::string>& args) {
  Options options;
  std::optional<std::string> front;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--hang") {
      options.hang = true;
      continue;
    }
    if (arg == "--watch-input") {
      options.watch_input = true;
      continue;
    }
    if (arg != "--room" && arg != "--doc" && arg != "--front" && arg != "--draft" &&
        arg != "--switch-after" && arg != "--exit-after" && arg != "--log" && arg != "--input" &&
        arg != "--late-enter" && arg != "--draft-hex") {
      return Fail("unknown option " + arg);
    }
    if (i + 1 >= args.size()) return Fail(arg + " needs a value");
    const std::string& value = args[++i];

    if (arg == "--room" || arg == "--doc") {
      if (!IsValidName(value)) return Fail("bad document name '" + value + "'");
      if (HasDocument(options, value)) return Fail("document " + value + " named twice");
      options.documents.push_back(Document{value, arg == "--room"});
    } else if (arg == "--front") {
      front = value;
    } else if (arg == "--draft") {
      options.draft = value;
    } else if (arg == "--draft-hex") {
      std::string bytes;
      for (size_t at = 0; at + 1 < value.size() + 1 && at < value.size(); at += 2) {
        unsigned byte = 0;
        auto [ptr, ec] = std::from_chars(value.data() + at,
                                         value.data() + std::min(at + 2, value.size()), byte, 16);
        if (ec != std::errc() || ptr != value.data() + at + 2) return Fail("bad --draft-hex");
        bytes += static_cast<char>(byte);
      }
      options.draft = bytes;
    } else if (arg == "--input") {
      if (value == "edit") {
        options.input = InputKind::Edit;
      } else if (value == "richedit") {
        options.input = InputKind::RichEdit;
      } else if (value == "richedit-unicode") {
        options.input = InputKind::RichEditUnicode;
      } else {
        return Fail("--input is edit, richedit or richedit-unicode, not " + value);
      }
    } else if (arg == "--late-enter") {
      std::optional<int> ms = ParseCount(value);
      if (!ms) return Fail("--late-enter needs milliseconds from 1, not " + value);
      options.late_enter_ms = *ms;
    } else if (arg == "--log") {
      options.log_path = value;
    } else if (arg == "--exit-after") {
      options.exit_after = ParseCount(value);
      if (!options.exit_after) return Fail("--exit-after needs a count from 1, not " + value);
    } else {  // --switch-after N:NAME
      size_t colon = value.find(':');
      std::optional<int> count =
          colon == std::string::npos ? std::nullopt : ParseCount(value.substr(0, colon));
      if (!count) return Fail("--switch-after needs N:NAME, not " + value);
      options.switches.push_back(SwitchRule{*count, value.substr(colon + 1)});
    }
  }

  if (options.documents.empty()) options.documents.push_back(Document{"Lobby", true});
  options.front = front.value_or(options.documents.back().name);
  if (!HasDocument(options, options.front)) return Fail("no document named " + options.front);
  for (const SwitchRule& rule : options.switches) {
    if (!HasDocument(options, rule.document)) return Fail("no document named " + rule.document);
  }
  return ParseResult{std::move(options), {}};
}

}  // namespace standin
