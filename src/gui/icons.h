// The program's pictures, painted in code so that no image plugin is needed. Each icon is drawn
// on a 32 x 32 grid and rendered at 16, 24, 32 and 48 pixels; Qt derives the disabled look.
#pragma once

#include <QIcon>

namespace vidloom::gui {

enum class IconKind { kAdd, kStop, kConvert, kRemove, kClear, kFolder, kApp };

QIcon MakeIcon(IconKind kind);
QPixmap MakePixmap(IconKind kind, int size);

}  // namespace vidloom::gui
