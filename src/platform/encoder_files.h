// The platform's names for the encoder and the files it needs beside the program.
#pragma once

#include <string>
#include <vector>

namespace vidloom::platform {

// The encoder's executable file name.
inline const std::string kEncoderFileName = "raziz2u";

// Files that must lie in ProgramDirectory() before any work starts, checked in this order.
inline const std::vector<std::string> kRequiredFiles = {kEncoderFileName};

}  // namespace vidloom::platform
