// Windows only: UTF-8 inside the programs, UTF-16 at the Windows API. Below every other folder:
// the platform layer, the media files and the encoder all cross there.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vidloom::unicode {

// UTF-8 to UTF-16 and back. A byte that is not part of valid UTF-8 becomes U+FFFD.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// A path for the wide file calls: UTF-16, with '/' taken as '\', and from 248 characters on (the
// limit of CreateDirectoryW) the extended-length form of its full path ("\\?\C:\...",
// "\\?\UNC\server\share\..."), which has no length limit.
std::wstring WidePath(std::string_view utf8);

// The system's text for a Win32 error code, as UTF-8, without the closing line break; the code
// in numbers when the system has none.
std::string ErrorText(unsigned long code);

// This process's arguments after its name, as UTF-8, from the wide command line (a narrow
// main() gets them in the system's code page, which cannot hold every name).
std::vector<std::string> CommandLineArguments();

}  // namespace vidloom::unicode
