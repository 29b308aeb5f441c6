// The command-line splitter and quoting (Windows rules). The input is read twice: as a command
// line, which must split without harm and, when it splits, come back the same from its arguments
// quoted and joined again; and as a list of arguments (separated by NUL bytes, which no argument
// can hold), which must come back exactly from the command line that quoting them makes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/check.h"
#include "platform/command_line.h"

namespace {

using vidloom::platform::QuoteArgument;
using vidloom::platform::SplitCommandLine;

// The arguments quoted and joined by blanks, as the program writes its commands (also with two
// blanks and a tab between arguments, which the splitter must take as one separator).
std::string Joined(const std::vector<std::string>& arguments, std::string_view separator) {
  std::string line;
  for (const auto& argument : arguments) {
    if (!line.empty()) line += separator;
    line += QuoteArgument(argument);
  }
  return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  if (const auto split = SplitCommandLine(text)) {
    FUZZ_CHECK(!split->empty());
    FUZZ_CHECK(SplitCommandLine(Joined(*split, " ")) == split);
  }

  std::vector<std::string> arguments;
  for (std::size_t start = 0; start <= text.size();) {
    const std::size_t end = std::min(text.find('\0', start), text.size());
    arguments.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  FUZZ_CHECK(SplitCommandLine(Joined(arguments, " ")) == arguments);
  FUZZ_CHECK(SplitCommandLine(Joined(arguments, "  \t")) == arguments);
  return 0;
}
