#include "gui/bind.h"

#include <algorithm>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>

#include "gui/window_style.h"
#include "texts/language.h"

namespace vidloom::gui {

namespace {

void CopyControl(const Control& control, QWidget* widget) {
  widget->setEnabled(control.enabled());
  if (widget->isHidden() == control.visible()) widget->setHidden(!control.visible());
  widget->setToolTip(Q(control.hint()));
  widget->setToolTipDuration(kHintMs);
}

// Subscribes `copy(widget)` to `observable` and runs it once now.
template <class W, class F>
void Follow(Observable& observable, W* widget, F copy) {
  QPointer<W> guard(widget);
  observable.Subscribe([guard, copy] {
    if (guard) copy(guard.data());
  });
  copy(widget);
}

void CopySelector(const Selector& selector, QComboBox* combo) {
  const QSignalBlocker block(combo);
  bool same = combo->count() == selector.count();
  for (int i = 0; same && i < selector.count(); ++i) {
    same = combo->itemText(i) == Q(texts::Shown(selector.items()[i]));
  }
  if (!same) {
    QStringList items;
    items.reserve(selector.count());
    for (const auto& item : selector.items()) items << Q(texts::Shown(item));
    combo->clear();
    combo->addItems(items);
    // The open list is as wide as its widest item needs (never narrower than the box).
    combo->view()->setMinimumWidth(combo->view()->sizeHintForColumn(0) +
                                   2 * combo->view()->frameWidth());
  }
  combo->setCurrentIndex(selector.selected());
  combo->setMaxVisibleItems(std::max(1, selector.drop_down_count()));
  CopyControl(selector, combo);
}

}  // namespace

void BindControl(Control& control, QWidget* widget) {
  Follow(control, widget, [&control](QWidget* w) { CopyControl(control, w); });
}

void BindButton(Button& button, QAbstractButton* widget) {
  BindControl(button, widget);
  QObject::connect(widget, &QAbstractButton::clicked, widget, [&button] { button.UserClick(); });
}

void BindAction(MenuEntry& entry, QAction* action) {
  Follow(entry, action, [&entry](QAction* a) {
    a->setEnabled(entry.enabled());
    a->setVisible(entry.visible());
    a->setToolTip(Q(entry.hint()));
  });
  QObject::connect(action, &QAction::triggered, action, [&entry] { entry.UserClick(); });
}

void BindLabel(Label& label, QLabel* widget, bool auto_size) {
  Follow(label, widget, [&label, auto_size](QLabel* w) {
    w->setText(Q(label.caption()));
    if (auto_size) w->resize(w->sizeHint());
    CopyControl(label, w);
  });
}

void BindEdit(Edit& edit, QLineEdit* widget) {
  widget->setReadOnly(edit.read_only);
  Follow(edit, widget, [&edit](QLineEdit* w) {
    const QSignalBlocker block(w);
    w->setReadOnly(edit.read_only);
    if (w->text() != Q(edit.text())) w->setText(Q(edit.text()));
    CopyControl(edit, w);
  });
}

void BindSelector(Selector& selector, QComboBox* combo) {
  combo->setEditable(false);
  Follow(selector, combo, [&selector](QComboBox* c) { CopySelector(selector, c); });
  // activated: only a user's choice (mouse or keyboard), never setCurrentIndex.
  QObject::connect(combo, &QComboBox::activated, combo, [&selector, combo](int index) {
    selector.UserSelect(index);
    CopySelector(selector, combo);  // the handler may have refused or changed the choice
  });
}

void BindCheckBox(CheckBox& box, QCheckBox* widget) {
  widget->setText(Q(box.caption));
  auto copy = [&box](QCheckBox* w) {
    const QSignalBlocker block(w);
    w->setChecked(box.checked());
    CopyControl(box, w);
  };
  Follow(box, widget, copy);
  QObject::connect(widget, &QCheckBox::clicked, widget, [&box, widget, copy](bool checked) {
    box.SetChecked(checked);
    copy(widget);
  });
}

void BindTrackBar(TrackBar& bar, QSlider* slider) {
  auto copy = [&bar](QSlider* s) {
    const QSignalBlocker block(s);
    s->setRange(bar.min, bar.max);
    s->setValue(bar.position());
    CopyControl(bar, s);
  };
  Follow(bar, slider, copy);
  QObject::connect(slider, &QSlider::valueChanged, slider, [&bar, slider, copy](int value) {
    bar.SetPosition(value);
    copy(slider);
  });
}

void BindSpinEdit(SpinEdit& spin, QSpinBox* widget) {
  auto copy = [&spin](QSpinBox* w) {
    const QSignalBlocker block(w);
    w->setRange(spin.min, spin.max);
    w->setValue(spin.value());
    CopyControl(spin, w);
  };
  Follow(spin, widget, copy);
  QObject::connect(widget, &QSpinBox::valueChanged, widget, [&spin, widget, copy](int value) {
    spin.SetValue(value);
    copy(widget);
  });
}

void BindProgressBar(ProgressBar& bar, QProgressBar* widget) {
  widget->setRange(0, 100);
  Follow(bar, widget, [&bar](QProgressBar* w) {
    w->setValue(bar.position());
    w->setTextVisible(!bar.text().empty());
    w->setFormat(Q(bar.text()));
    CopyControl(bar, w);
  });
}

void BindStatusBar(StatusBar& bar, const std::array<QLabel*, StatusBar::kPanels>& panels,
                   QLabel* message, QLabel* notice, int room) {
  // The last panel (the thumbnail step) shows only while it has something to say; the message
  // has its room otherwise.
  constexpr int kLast = StatusBar::kPanels - 1;
  for (int i = 0; i < StatusBar::kPanels; ++i) {
    Follow(bar, panels[i], [&bar, i](QLabel* w) {
      w->setText(Q(bar.panel(i)));
      w->setToolTip(Q(bar.panel(i)));
      w->setEnabled(bar.enabled());
      if (i == kLast) w->setVisible(!bar.panel(i).empty());
    });
  }
  if (message == nullptr) return;
  QLabel* last = panels[kLast];
  Follow(bar, message, [&bar, notice, room, last](QLabel* w) {
    int width = room + (bar.panel(kLast).empty() ? last->width() : 0);
    if (notice != nullptr) {
      notice->setText(Q(bar.notice()));
      notice->setVisible(!bar.notice().empty());
      if (!bar.notice().empty()) width -= notice->sizeHint().width() + 6;
    }
    w->setFixedWidth(std::max(0, width));
    // One line: the whole text in the tooltip when the label cuts it.
    const QString text = Q(bar.message());
    w->setText(w->fontMetrics().elidedText(text, Qt::ElideRight, w->width() - 6));
    w->setToolTip(text);
  });
}

}  // namespace vidloom::gui
