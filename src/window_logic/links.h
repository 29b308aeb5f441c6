// Names of the files beside the program and the addresses behind the About box and the Help menu.
#pragma once

#include <string>

#include "texts/language.h"

namespace vidloom {

// Started once at start-up when present: "<ProgramDirectory>reg.sh", run by /bin/sh; on Windows
// "reg.bat", run by the command interpreter.
#ifdef _WIN32
inline constexpr const char* kStartupScriptName = "reg.bat";
#else
inline constexpr const char* kStartupScriptName = "reg.sh";
#endif
// The user manual opened by Help > "Open Help File".
inline constexpr const char* kHelpFileName = "help.html";

// The manual in `language` ("help-de.html") when the program directory holds it, else the
// English one, kHelpFileName.
std::string HelpFile(const std::string& program_directory, const std::string& language);

// The maker's web page (Help > "Visit Korvane Website", the About box's first link).
inline constexpr const char* kWebsiteUrl = "https://vidloom.org";
// A new e-mail to support (the About box's second link).
inline constexpr const char* kSupportMailUrl = "mailto:support@vidloom.org";

// What the user is told when the desktop could not open something; the path or address follows,
// so that it can be opened by hand.
inline constexpr const char* kCannotOpenHelpText =
    N_("The help file could not be opened: no program for it was found.\n\rOpen it by hand: ");
inline constexpr const char* kCannotOpenLinkText =
    N_("The link could not be opened: no program for it was found.\n\rOpen it by hand: ");
inline constexpr const char* kCannotOpenFolderText =
    N_("The output folder could not be opened: no file manager was found.\n\rIt is: ");
inline constexpr const char* kNoOutputFolderText =
    N_("The output folder does not exist yet; it is made when the first file is converted:\n\r");

// The folder chooser's headline.
inline constexpr const char* kChooseFolderHeadline =
    N_("Choose the required output directory below :");

}  // namespace vidloom
