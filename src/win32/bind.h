// Binds the window model's controls to Win32 controls in both directions: a control follows
// every change of its model (text, items, selection, enabled, shown, hint) and forwards the
// user's actions to it (clicks, choices, slider moves), as src/gui does for Qt. No handler logic
// lives here. A binding does nothing once its window is gone.
#pragma once

#include <string>

#include "model/controls.h"
#include "win32/form_window.h"

namespace vidloom::win32 {

// Enabled, shown and the hint as the control's tooltip.
void BindControl(FormWindow& window, Control& control, HWND widget);
// A push button (BN_CLICKED runs UserClick).
void BindButton(FormWindow& window, Button& button, HWND widget);
// A static text; `fit` sizes it to its text.
void BindLabel(FormWindow& window, Label& label, HWND widget, bool fit);
void BindEdit(FormWindow& window, Edit& edit, HWND widget);
// A drop-down list: CBN_SELCHANGE is the user's choice (UserSelect); the list then shows what
// the handler left selected.
void BindSelector(FormWindow& window, Selector& selector, HWND combo);
void BindCheckBox(FormWindow& window, CheckBox& box, HWND widget);
void BindTrackBar(FormWindow& window, TrackBar& bar, HWND widget);
// A number field: an edit with an up-down control as its buddy.
void BindSpinEdit(FormWindow& window, SpinEdit& spin, HWND edit, HWND arrows);
// The bar draws the model's text (the batch's times) over itself.
void BindProgressBar(FormWindow& window, ProgressBar& bar, HWND widget);
// A menu entry with identifier `id` appended to `menu`, its key (`shortcut`, may be empty) shown
// beside it; greyed while the entry is disabled.
void BindMenuEntry(FormWindow& window, MenuEntry& entry, HMENU menu, int id,
                   const std::string& shortcut = {});

// Runs `copy` now and after every change of `observable`, while `window` lives.
template <class F>
void Follow(FormWindow& window, Observable& observable, F copy) {
  observable.Subscribe([alive = window.alive(), copy] {
    if (alive.lock()) copy();
  });
  copy();
}

}  // namespace vidloom::win32
