#include "platform/command_line.h"

namespace vidloom::platform {

std::optional<std::vector<std::string>> SplitCommandLine(std::string_view line) {
  std::vector<std::string> arguments;
  std::string current;
  bool in_argument = false;  // a quote alone ("") starts an (empty) argument too
  bool quoted = false;
  std::size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (c == '\\') {
      std::size_t backslashes = 0;
      while (i < line.size() && line[i] == '\\') {
        ++backslashes;
        ++i;
      }
      in_argument = true;
      if (i < line.size() && line[i] == '"') {
        current.append(backslashes / 2, '\\');
        if (backslashes % 2 == 1) {
          current.push_back('"');
        } else {
          quoted = !quoted;
        }
        ++i;
      } else {
        current.append(backslashes, '\\');
      }
      continue;
    }
    if (c == '"') {
      quoted = !quoted;
      in_argument = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (in_argument) {
        arguments.push_back(std::move(current));
        current.clear();
        in_argument = false;
      }
    } else {
      current.push_back(c);
      in_argument = true;
    }
    ++i;
  }
  if (quoted) return std::nullopt;
  if (in_argument) arguments.push_back(std::move(current));
  if (arguments.empty()) return std::nullopt;
  return arguments;
}

std::string QuoteArgumentBody(std::string_view argument) {
  std::string body;
  body.reserve(argument.size() + 2);
  std::size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') {
      // Backslashes before a quote are doubled, and one more escapes the quote itself.
      body.append(backslashes * 2 + 1, '\\');
    } else {
      body.append(backslashes, '\\');
    }
    backslashes = 0;
    body.push_back(c);
  }
  // The closing quote follows the body: trailing backslashes must not escape it.
  body.append(backslashes * 2, '\\');
  return body;
}

std::string QuoteArgument(std::string_view argument) {
  return '"' + QuoteArgumentBody(argument) + '"';
}

}  // namespace vidloom::platform
