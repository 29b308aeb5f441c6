// Bindings between model controls and Qt widgets. Each Bind* copies the control's state into
// the widget now and on every change of the control, and forwards the user's actions on the
// widget to the control. Program changes never look like user actions: widgets are updated
// with their signals blocked. A binding outlives its widget safely (it then does nothing); the
// control must outlive the binding's widget's signals (the model lives for the whole run).
#pragma once

#include <QPointer>
#include <array>

#include "model/controls.h"

class QAbstractButton;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QSlider;
class QSpinBox;
class QWidget;

namespace vidloom::gui {

// enabled, visible and hint (tooltip, shown for 30 s).
void BindControl(Control& control, QWidget* widget);
// Also: a click on the widget runs Button::UserClick.
void BindButton(Button& button, QAbstractButton* widget);
// Menu entry: enabled, visible, hint; triggering runs UserClick.
void BindAction(MenuEntry& entry, QAction* action);
// Caption; `auto_size` grows or shrinks the label to its text from its left edge.
void BindLabel(Label& label, QLabel* widget, bool auto_size);
void BindEdit(Edit& edit, QLineEdit* widget);
// Items, selection, drop-down row count. A user's pick runs Selector::UserSelect.
void BindSelector(Selector& selector, QComboBox* combo);
// A user's toggle runs CheckBox::SetChecked.
void BindCheckBox(CheckBox& box, QCheckBox* widget);
// A user's move runs TrackBar::SetPosition.
void BindTrackBar(TrackBar& bar, QSlider* slider);
// A user's change runs SpinEdit::SetValue.
void BindSpinEdit(SpinEdit& spin, QSpinBox* widget);
void BindProgressBar(ProgressBar& bar, QProgressBar* widget);
// One label per panel; the message beside them and the notice at the far end (may be null):
// the message gets `room` pixels, less what a shown notice takes, and the last panel's while
// that panel is empty (it is hidden then).
void BindStatusBar(StatusBar& bar, const std::array<QLabel*, StatusBar::kPanels>& panels,
                   QLabel* message = nullptr, QLabel* notice = nullptr, int room = 0);

}  // namespace vidloom::gui
