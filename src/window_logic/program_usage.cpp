#include "window_logic/program_usage.h"
#include "texts/language.h"

namespace vidloom {

std::string ProgramUsage(const std::string& toolkit_note) {
  return texts::Tr(
             "Usage: vidloom [OPTION]... [FILE|FOLDER]...\n"
             "Converts video and audio files for the PSP, the PS3, mobile phones and as AAC or "
             "MP3.\n"
             "Files and folders named here are added to the list once the window shows, as if\n"
             "they were dropped on it (a folder stands for the supported files inside it).\n"
             "\n"
             "  --help, -h     show this text and end\n"
             "  --version      show the version and end\n"
             "  --             the arguments after it are file names, even when they start with -\n"
             "\n") +
         (toolkit_note.empty() ? std::string() : texts::Tr(toolkit_note) + "\n") +
         texts::Tr("vidloom-cli, beside this program, converts without a window.\n");
}

}  // namespace vidloom
