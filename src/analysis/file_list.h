// Rows of the file list: appending a file's row with the values its analysis found.
#pragma once

#include <string>

#include "shell/model/forms.h"

namespace vidloom::analysis {

// Appends one checked row to form.ListView1: caption `path`, cells size, frame rate, duration,
// the output extension, an empty "Progress" and an empty "Frames". The list's repainting is
// suspended while the row is added. Returns the new row's index.
int AddFileRow(TForm1& form, const std::string& path, const std::string& size,
               const std::string& frame_rate, const std::string& duration,
               const std::string& extension);

}  // namespace vidloom::analysis
