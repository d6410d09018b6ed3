// Command line of the stand-in chat client.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace standin {

// An MDI document. Chat rooms have an input and a transcript; other
// documents (mail, a web page...) have neither.
struct Document {
  std::string name;
  bool chat_room = true;
};

// "--switch-after N:NAME": bring NAME to the front after the Nth return.
struct SwitchRule {
  int after_returns = 0;
  std::string document;
};

// What the chat input is: a plain EDIT, or a real rich-edit control as chat
// clients have it, ANSI or Unicode.
enum class InputKind { Edit, RichEdit, RichEditUnicode };

struct Options {
  InputKind input = InputKind::Edit;
  int late_enter_ms = 0;            // 0: Enter is acted on at once
  bool watch_input = false;         // log what the inputs show when it changes
  std::vector<Document> documents;  // in creation order
  std::string front;                // frontmost document at start
  std::string draft;                // text every input starts with, UTF-8
  bool hang = false;
  std::vector<SwitchRule> switches;
  std::optional<int> exit_after;
  std::string log_path;  // empty: no log
};

struct ParseResult {
  std::optional<Options> options;
  std::string error;  // set when options is empty
};

// Parses the arguments after the program name. Fills in the defaults: one
// room "Lobby" when no document is named, the last document in front.
ParseResult ParseOptions(const std::vector<std::string>& args);

}  // namespace standin
