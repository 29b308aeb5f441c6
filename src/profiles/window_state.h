// Process-wide values of the main window that the format refresh, the volume slider and the
// command assembly share. One instance per program; UI thread only.
#pragma once

#include <string>

namespace vidloom {

struct WindowState {
  // Row of ComboOutputFormat last accepted by RefreshFormatOptions; restored when a separator
  // row is chosen. -1 when the refresh ran with no row selected.
  int PreviousFormatIndex = 0;
  // "psp" while a PSP or PS3 entry is applied, empty otherwise.
  std::string ProfileTag;
  // Volume value handed to the encoder; "50" leaves the volume unchanged.
  std::string VolumeFactor = "50";
  // Rows the output format list shows when dropped down.
  int DropDownItemCount = 27;
};

}  // namespace vidloom
