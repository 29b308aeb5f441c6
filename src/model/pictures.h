// The pictures of the program's buttons, menu entries and windows, by what they show.
#pragma once

namespace vidloom {

enum class Picture { kNone, kAdd, kStop, kConvert, kRemove, kClear, kFolder, kApp };

}  // namespace vidloom
