// The main window as designed, once, for every view to build from: each control's kind, the name
// the views give it, its rectangle at 96 DPI, its text, font, picture and place in the tab order;
// the file list's columns; the menus with their entries, pictures and keys; the client area; the
// longest texts of the status bar's panels.
//
//   for (const ControlLayout& c : kMainWindowControls) {   // in tab order
//     Control* model = c.control ? &c.control(form) : nullptr;
//     ... create a widget of kind c.kind named c.name at c.box (inside c.group, if any)
//   }
#pragma once

#include <array>
#include <span>
#include <vector>

#include "model/forms.h"
#include "model/pictures.h"
#include "texts/language.h"

namespace vidloom {

// A designed rectangle at 96 DPI: in the client area, or in its group when it has one.
struct Box {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// A text's font: the window's sans serif at `pixels` high.
struct TextFont {
  int pixels = 11;
  bool bold = false;
};

enum class ControlKind {
  kBigButton,    // a flat button with a picture and a big bold caption
  kButton,       // a push button (with a picture, a caption or both)
  kFileList,     // the file list (ListView)
  kCaption,      // a fixed text (not in the model)
  kLabel,        // a text the model changes (Label), sized to its text
  kSelector,     // a drop-down list
  kEdit,         // a one-line text
  kGroup,        // a frame with a title around other controls
  kTrackBar,     // a horizontal slider
  kProgressBar,  // a progress bar without text
};

// Buttons, lists, selectors, edits and sliders take the keyboard focus in the window's tab
// order; captions, labels, groups and the progress bar do not.
constexpr bool TakesFocus(ControlKind kind) {
  return kind != ControlKind::kCaption && kind != ControlKind::kLabel &&
         kind != ControlKind::kGroup && kind != ControlKind::kProgressBar;
}

// The model control a layout entry stands for.
template <auto member>
Control& FormControl(MainForm& form) {
  return form.*member;
}

struct ControlLayout {
  ControlKind kind;
  // The object name the views give the widget: the model control's name, or what it is for.
  const char* name;
  Box box;
  // A caption's or group's text; for the others, the accessible name where the control shows
  // no text of its own (null: the model's caption, or the text of `label`).
  const char* text = nullptr;
  TextFont font = {};
  // The group it is drawn in (null: the client area).
  const char* group = nullptr;
  // The caption or label on its left, which names it and whose text it keeps clear of.
  const char* label = nullptr;
  Picture picture = Picture::kNone;
  int picture_size = 0;
  // The model control it draws (null for captions and groups).
  Control& (*control)(MainForm&) = nullptr;
};

// The main window's client area at 96 DPI, the status bar included, and the status bar's height.
inline constexpr int kMainClientWidth = 765;
inline constexpr int kMainClientHeight = 512;
inline constexpr int kMainStatusBarHeight = 19;

// Every control of the main window but the status bar, in creation and tab order; a group comes
// before the controls in it.
extern const std::span<const ControlLayout> kMainWindowControls;

// The entry named `name`, or null.
const ControlLayout* FindMainWindowControl(const char* name);
// The rectangle of `control` in the client area (a group's controls lie inside their group).
Box ClientBox(const ControlLayout& control);

// The file list's columns: "Video File Name" and the six cells, captions and widths at 96 DPI.
struct FileColumnLayout {
  const char* caption;
  int width;
};
extern const std::array<FileColumnLayout, kFileCellCount + 1> kFileColumns;

// A menu entry (a separator where `entry` is null) with its picture and key. The key is written
// as it stands beside the entry ("Ctrl+O"); a key of the file list's works where the list has the
// focus (the list handles it), any other anywhere on the window.
struct MenuEntryLayout {
  const char* name = nullptr;
  MenuEntry MainForm::*entry = nullptr;
  Picture picture = Picture::kNone;
  const char* key = nullptr;
  bool key_of_the_list = false;
};

struct MenuLayout {
  const char* name;
  const char* caption;  // with its access key ("&File"); none for the list's context menu
  std::span<const MenuEntryLayout> entries;
};

// The menu bar's menus, left to right.
extern const std::span<const MenuLayout> kMainMenus;
// The file list's context menu.
extern const MenuLayout kFileListMenu;

// The longest texts each status panel shows, in order: the state (a batch's summary after it),
// the output size, the thumbnail step, in the language in use. Each panel is as wide as its
// longest text plus kStatusPanelPadding (frame, margins, a little air).
std::array<std::vector<std::string>, StatusBar::kPanels> StatusPanelTexts();
// The first panel while no batch has ended since the list last changed; the third while a PSP
// thumbnail is made.
inline constexpr const char* kReadyText = N_("Ready");
inline constexpr const char* kThumbnailPanelText = N_("Creating THM File.....Please Wait");
// The first panel while a batch converts: "Converting 2 of 5"; after it, its summary.
inline constexpr const char* kConvertingText = N_("Converting %s of %s");
inline constexpr const char* kConvertedFailedText = N_("%s of %s converted, %s failed");
inline constexpr const char* kConvertedFailedStoppedText =
    N_("%s converted, %s failed, %s stopped");
inline constexpr int kStatusPanelPadding = 14;

}  // namespace vidloom
