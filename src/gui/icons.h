// The program's pictures (model/pictures.h) painted with QPainter, so that no image plugin is
// needed. Each icon is rendered at 16, 24, 32 and 48 pixels; Qt derives the disabled look.
#pragma once

#include <QIcon>

#include "model/pictures.h"

namespace vidloom::gui {

// Picture::kNone gives an empty icon.
QIcon MakeIcon(Picture kind);
QPixmap MakePixmap(Picture kind, int size);

}  // namespace vidloom::gui
