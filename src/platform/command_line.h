// One command-line string <-> an argument vector, by the Windows rules: blanks and tabs separate
// arguments outside double quotes; a double quote toggles quoting; 2n backslashes before a quote
// give n backslashes and the quote toggles, 2n+1 give n backslashes and a literal quote;
// backslashes anywhere else are literal.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vidloom::platform {

// Splits a command line into arguments. Returns nullopt for a line that cannot be run: an
// unbalanced quote or no argument at all.
std::optional<std::vector<std::string>> SplitCommandLine(std::string_view command_line);

// The text that goes between the two double quotes of a quoted argument: `"` becomes `\"`,
// backslashes before a `"` and at the end are doubled. For a path without quotes or trailing
// backslashes the result equals the path, so ordinary commands read as the user expects.
std::string QuoteArgumentBody(std::string_view argument);

// `"` + QuoteArgumentBody(argument) + `"`. SplitCommandLine returns the argument exactly.
std::string QuoteArgument(std::string_view argument);

}  // namespace vidloom::platform
