// The program's pictures, painted in code so that no image plugin is needed. Each icon is drawn
// on a 32 x 32 grid and rendered at 16, 24, 32 and 48 pixels; Qt derives the disabled look.
#pragma once

#include <QIcon>

#include "model/pictures.h"

namespace vidloom::gui {

// Picture::kNone gives an empty icon.
QIcon MakeIcon(Picture kind);
QPixmap MakePixmap(Picture kind, int size);

}  // namespace vidloom::gui
