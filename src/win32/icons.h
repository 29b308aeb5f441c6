// The pictures of the buttons and menu entries (model/pictures.h) painted with GDI at the size
// asked for (and so sharp at any DPI), and the program's icon from the resources.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include "model/pictures.h"

namespace vidloom::win32 {

// A 32-bit icon of `size` x `size` pixels with smooth edges; the caller destroys it.
HICON MakePicture(Picture picture, int size, bool disabled = false);
// A button's picture list: the enabled look for every state but disabled, which is greyed.
HIMAGELIST MakeButtonPictures(Picture picture, int size);
// The program's icon (resource 1) at `size` pixels.
HICON ProgramIcon(int size);

}  // namespace vidloom::win32
