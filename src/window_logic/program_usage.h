// What the window program says of its command line ("vidloom --help"), on either toolkit.
#pragma once

#include <string>

namespace vidloom {

// The usage text, with `toolkit_note` (a line about the toolkit's own options, or empty) before
// the last line.
std::string ProgramUsage(const std::string& toolkit_note);

}  // namespace vidloom
