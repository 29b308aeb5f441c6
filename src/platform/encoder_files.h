// The platform's names for the encoder and the files it needs beside the program.
#pragma once

#include <string>
#include <vector>

namespace vidloom::platform {

// The encoder's executable file name.
#ifdef _WIN32
inline const std::string kEncoderFileName = "raziz2u.exe";
#else
inline const std::string kEncoderFileName = "raziz2u";
#endif

// Files that must lie in ProgramDirectory() before any work starts, checked in this order. The
// Windows encoder is linked statically: it needs no library beside it.
inline const std::vector<std::string> kRequiredFiles = {kEncoderFileName};

}  // namespace vidloom::platform
