#include "analysis/file_list.h"

namespace vidloom::analysis {

int AddFileRow(TForm1& form, const std::string& path, const std::string& size,
               const std::string& frame_rate, const std::string& duration,
               const std::string& extension) {
  FileEntry entry;
  entry.caption = path;
  entry.cells = {size, frame_rate, duration, extension, "", ""};
  form.ListView1.BeginUpdate();
  const int row = form.ListView1.AddRow(std::move(entry));
  form.ListView1.SetChecked(row, true);
  form.ListView1.EndUpdate();
  return row;
}

}  // namespace vidloom::analysis
