// The secondary windows as designed, once, for the Qt and the Win32 views to build from: each
// control's kind, the name the views give it, its rectangle at 96 DPI, its text or accessible
// name, its font and its place in the tab order; and each window's client area.
//
//   const FormLayout& layout = kOptionsLayout;
//   const FormControlLayout& done = layout.Control("DoneButton");
//   ... create a push button named done.name at done.box, captioned by the model's DoneButton
#pragma once

#include <span>

#include "model/main_window_layout.h"

namespace vidloom {

enum class FormControlKind {
  kGroup,     // a frame with a title around other controls
  kCheckBox,  // a check box captioned by its model control
  kNumber,    // a numeric field with up and down arrows
  kText,      // a text the model changes (Label); sized to its text where it has no width
  kPanel,     // a text the model changes, centred in a sunken frame
  kButton,    // a push button captioned by its model control
  kLink,      // a text the model changes, drawn as a web link (blue, underlined)
  kPicture,   // the program's icon
  kLine,      // a sunken horizontal line
  kSelector,  // a drop-down list of the model's
};

struct FormControlLayout {
  FormControlKind kind;
  // The object name the views give the widget.
  const char* name;
  // At 96 DPI, in the client area or in its group when it has one. A text that sizes itself
  // keeps only the top left corner on Qt; its width and height are the Win32 control's.
  Box box;
  // A group's title; for the others, the accessible name where the model gives none.
  const char* text = nullptr;
  TextFont font = {};
  // The group it is drawn in (null: the client area).
  const char* group = nullptr;
  // Lies beyond its group's frame, never seen, and takes no focus.
  bool out_of_sight = false;
};

struct FormLayout {
  int client_width;
  int client_height;
  // Every control, in creation and tab order; a group comes before the controls in it.
  std::span<const FormControlLayout> controls;

  // The control named `name` (it must be there).
  const FormControlLayout& Control(const char* control_name) const;
  // The rectangle of `control` in the client area (a group's controls lie inside their group).
  Box ClientBox(const FormControlLayout& control) const;
};

// "Additional Options", the power-off "Warning", "Analyzing Video Files" and About.
extern const FormLayout kOptionsLayout;
extern const FormLayout kWarningLayout;
extern const FormLayout kAnalyzingLayout;
extern const FormLayout kAboutLayout;

}  // namespace vidloom
