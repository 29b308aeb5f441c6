// Every window in every language: each text of a fixed-size window fits the control it is
// drawn in, in the window's own font, on the offscreen platform.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTest>
#include <QTreeView>
#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "gui/about_box_view.h"
#include "gui/analyzing_window_view.h"
#include "gui/file_list_view.h"
#include "gui/main_window_view.h"
#include "gui/options_dialog_view.h"
#include "gui/warning_window_view.h"
#include "model/forms.h"
#include "platform/filesystem.h"
#include "profiles/format_selectors.h"
#include "texts/language.h"

namespace vidloom::gui {
namespace {

// The items of each list that do not show whole in the closed box in English, as designed (a
// translation of such an item is held to the open list, which shows every item whole).
using DesignedCuts = std::map<std::string, std::set<int>>;

// The texts of `window` that are wider than their controls, one line each. In English the
// lists' items cut by their closed box are noted in `english_cuts` instead.
std::vector<std::string> CutTexts(QWidget& window, DesignedCuts& english_cuts) {
  const bool english = texts::CurrentLanguage().empty();
  std::vector<std::string> cut;
  auto report = [&cut](const QWidget* widget, const QString& text, int needs, int has) {
    if (needs > has) {
      cut.push_back(widget->objectName().toStdString() + " \"" + text.toStdString() + "\" needs " +
                    std::to_string(needs) + " px, has " + std::to_string(has));
    }
  };
  for (QWidget* widget : window.findChildren<QWidget*>()) {
    // What lies beyond its parent's edge is never seen (the drop-down count, as designed).
    if (widget->parentWidget() != nullptr &&
        !widget->parentWidget()->rect().intersects(widget->geometry())) {
      continue;
    }
    const QFontMetrics metrics = widget->fontMetrics();
    if (auto* label = qobject_cast<QLabel*>(widget)) {
      if (label->text().isEmpty() || label->objectName().startsWith(QLatin1String("StatusPanel"))) {
        continue;
      }
      const int room = label->contentsRect().width() - 2 * label->margin() - label->indent() -
                       (label->indent() < 0 && label->frameWidth() > 0
                            ? metrics.horizontalAdvance(QLatin1Char('x')) / 2
                            : 0);
      if (label->wordWrap()) {
        // A second line where the design leaves the height for it.
        report(label, label->text(), label->heightForWidth(label->contentsRect().width()),
               label->contentsRect().height());
        const QStringList words = label->text().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (const QString& word : words)
          report(label, word, metrics.horizontalAdvance(word), room);
      } else {
        report(label, label->text(), metrics.horizontalAdvance(label->text()), room);
      }
    } else if (auto* box = qobject_cast<QCheckBox*>(widget)) {
      // A trailing blank takes no room that shows.
      const int blank =
          metrics.horizontalAdvance(box->text()) - metrics.horizontalAdvance(box->text().trimmed());
      report(box, box->text(), box->sizeHint().width() - blank, box->width());
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
      if (button->text().isEmpty()) continue;
      QStyleOptionButton option;
      option.initFrom(button);
      const int icon = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
      const int margin = button->style()->pixelMetric(QStyle::PM_ButtonMargin, &option, button);
      report(button, button->text(), metrics.horizontalAdvance(button->text()) + icon + margin,
             button->width());
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
      report(group, group->title(), metrics.horizontalAdvance(group->title()) + 16, group->width());
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
      // Any item, once chosen, shows whole in the box beside its arrow.
      QStyleOptionComboBox option;
      option.initFrom(combo);
      const int field =
          combo->style()
              ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo)
              .width();
      const int list = std::max(combo->width(), combo->view()->sizeHintForColumn(0));
      std::set<int>& designed = english_cuts[combo->objectName().toStdString()];
      for (int i = 0; i < combo->count(); ++i) {
        const int needs = metrics.horizontalAdvance(combo->itemText(i));
        if (english && needs > field) designed.insert(i);
        report(combo, combo->itemText(i), needs, designed.count(i) != 0 ? list : field);
      }
    } else if (auto* header = qobject_cast<QHeaderView*>(widget)) {
      for (int section = 0; section < header->count(); ++section) {
        const QString text = header->model()->headerData(section, Qt::Horizontal).toString();
        const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
        report(header, text, metrics.horizontalAdvance(text) + 2 * margin,
               header->sectionSize(section));
      }
    } else if (auto* bar = qobject_cast<QStatusBar*>(widget)) {
      // Each panel is as wide as its longest text; together they leave the bar some room.
      int panels = 0;
      for (QLabel* panel : bar->findChildren<QLabel*>()) {
        if (panel->objectName().startsWith(QLatin1String("StatusPanel"))) panels += panel->width();
      }
      report(bar, QStringLiteral("status panels"), panels + 100, bar->width());
    }
  }
  return cut;
}

// The main window with every format's option lists, one format after the other.
std::vector<std::string> CutTextsOfTheMainWindow(DesignedCuts& english_cuts) {
  MainForm form;
  WindowState state;
  form.ComboLetterBox.SetItems({N_("None"), N_("LetterBox")});
  form.ComboLetterBox.Select(1);
  FillFormatList(form);
  state.DropDownItemCount = 27;
  MainWindowView view(form);
  view.show();
  std::vector<std::string> cut;
  for (int format = 0; format < form.ComboOutputFormat.count(); ++format) {
    form.ComboOutputFormat.Select(format);
    if (IsSeparatorRow(form.ComboOutputFormat.text())) continue;
    RefreshFormatOptions(form, state);
    for (std::string& line : CutTexts(view, english_cuts)) {
      if (std::find(cut.begin(), cut.end(), line) == cut.end()) cut.push_back(std::move(line));
    }
  }
  // The status words and cells of a row as the list shows them.
  FileEntry entry;
  entry.input_path = "/videos/clip.avi";
  entry.media = MediaFacts::Of("Unknown", "29.97", "00:01:00");
  entry.output_extension = "MP4";
  for (const RowState state_of_row : {RowState::kDone, RowState::kFailed, RowState::kAborted,
                                      RowState::kRetrying, RowState::kThumbnail}) {
    entry.state = state_of_row;
    entry.output_written = true;
    form.FileList.Clear();
    form.FileList.AddRow(entry);
    auto* list = view.fileList();
    for (int column = 1; column < list->model()->columnCount(); ++column) {
      const QString text = list->model()->index(0, column).data().toString();
      const int needs = list->fontMetrics().horizontalAdvance(text) + 8;
      if (needs > list->columnWidth(column)) {
        cut.push_back("FileList cell \"" + text.toStdString() + "\" needs " +
                      std::to_string(needs) + " px, has " +
                      std::to_string(list->columnWidth(column)));
      }
    }
  }
  return cut;
}

TEST(TextsFitTest, EveryTextOfEveryWindowFitsInEveryLanguage) {
  const std::string folder = platform::ProgramDirectory() + "locale";
  DesignedCuts english_cuts;  // English comes first
  for (const texts::Language& language : texts::Languages()) {
    ASSERT_TRUE(texts::UseLanguage(language.code, folder)) << language.code;
    std::vector<std::string> cut = CutTextsOfTheMainWindow(english_cuts);
    OptionsForm options;
    PowerOffWarningForm warning;
    AnalyzingForm analyzing;
    analyzing.Count.SetCaption(texts::Fill(texts::Tr("%s of %s"), {"888", "888"}));
    AboutForm about;
    OptionsDialogView options_view(options);
    WarningWindowView warning_view(warning);
    AnalyzingWindowView analyzing_view(analyzing);
    AboutBoxView about_view(about);
    for (QWidget* window : std::initializer_list<QWidget*>{&options_view, &warning_view,
                                                           &analyzing_view, &about_view}) {
      window->show();
      for (std::string& line : CutTexts(*window, english_cuts)) cut.push_back(std::move(line));
    }
    EXPECT_TRUE(cut.empty()) << (*language.code ? language.code : "en") << ":\n  " << [&] {
      std::string all;
      for (const auto& line : cut) all += line + "\n  ";
      return all;
    }();
  }
  ASSERT_TRUE(texts::UseLanguage(""));
}

}  // namespace
}  // namespace vidloom::gui
