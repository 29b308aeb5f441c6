// Message boxes and the secondary windows: captions, layout, model bindings, close refusal.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <functional>

#include "gui/about_box_view.h"
#include "gui/analyzing_window_view.h"
#include "gui/options_dialog_view.h"
#include "gui/qt_dialogs.h"
#include "gui/warning_window_view.h"
#include "model/forms.h"
#include "platform/processors.h"

namespace vidloom::gui {
namespace {

template <class W>
W* Find(QWidget* root, const char* name) {
  W* w = root->findChild<W*>(QString::fromLatin1(name));
  EXPECT_NE(w, nullptr) << name;
  return w;
}

TEST(MessageTextTest, TurnsEachLineBreakIntoOne) {
  const struct {
    std::string in;
    QString out;
  } cases[] = {
      {"plain", "plain"},
      {"a\n\rb", "a\nb"},
      {"a\r\nb", "a\nb"},
      {"a\nb\rc", "a\nb\nc"},
      {"a\n\r\n\rb", "a\n\nb"},
      {"ends\n\r", "ends\n"},
      {"caf\xc3\xa9\n\r", QString::fromUtf8("caf\xc3\xa9\n")},
  };
  for (const auto& c : cases) EXPECT_EQ(MessageText(c.in), c.out) << c.in;
}

// Answers the next modal message box with `button` and records what it showed.
struct BoxAnswer {
  QString caption, text;
  QStringList buttons;
  int width = 0;          // of the box
  int caption_width = 0;  // of its caption, in its font
  QWidget* owner = nullptr;
  bool on_top = false;
};
void AnswerNextBox(QMessageBox::StandardButton button, BoxAnswer* seen) {
  QTimer::singleShot(0, [button, seen] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    seen->caption = box->windowTitle();
    seen->text = box->text();
    seen->width = box->width();
    seen->caption_width = box->fontMetrics().horizontalAdvance(box->windowTitle());
    seen->owner = box->parentWidget();
    seen->on_top = box->windowFlags() & Qt::WindowStaysOnTopHint;
    for (QAbstractButton* b : box->buttons()) seen->buttons << b->text().remove('&');
    box->button(button)->click();
  });
}

TEST(QtDialogsTest, MessagesAndConfirmations) {
  QtDialogs dialogs;
  const Form asker;
  BoxAnswer seen;
  AnswerNextBox(QMessageBox::Ok, &seen);
  dialogs.ShowMessage(asker, kInformationCaption, "All Conversion Jobs Done!\n\rSecond line");
  EXPECT_EQ(seen.caption, "Information");
  EXPECT_EQ(seen.text, "All Conversion Jobs Done!\nSecond line");
  EXPECT_EQ(seen.buttons, QStringList({"OK"}));
  // Room for the whole caption beside a title bar's buttons, however short the text.
  BoxAnswer tiny;
  AnswerNextBox(QMessageBox::Ok, &tiny);
  dialogs.ShowMessage(asker, "A caption longer than its text", "Ok.");
  EXPECT_GE(tiny.width, tiny.caption_width + 150) << tiny.width;

  const struct {
    bool yes_no;
    QMessageBox::StandardButton press;
    bool expected;
  } cases[] = {
      {true, QMessageBox::Yes, true},
      {true, QMessageBox::No, false},
      {false, QMessageBox::Ok, true},
      {false, QMessageBox::Cancel, false},
  };
  for (const auto& c : cases) {
    BoxAnswer asked;
    AnswerNextBox(c.press, &asked);
    const bool answer = c.yes_no ? dialogs.ConfirmYesNo(asker, "Continue?\n\rReally?")
                                 : dialogs.ConfirmOkCancel(asker, "Stop all the file conversions?");
    EXPECT_EQ(answer, c.expected);
    EXPECT_EQ(asked.caption, "Confirm");
    EXPECT_EQ(asked.buttons.size(), 2);
    if (c.yes_no) {
      EXPECT_EQ(asked.text, "Continue?\nReally?");
    }
  }

  // A question withdrawn while open ends as No (Cancel); another window's withdrawal leaves it.
  const Form other;
  for (const bool yes_no : {false, true}) {
    bool open_after_other = false;
    QTimer::singleShot(0, [&] {
      dialogs.WithdrawQuestions(other);
      open_after_other = QApplication::activeModalWidget() != nullptr;
      dialogs.WithdrawQuestions(asker);
    });
    // Should the withdrawal fail, the box is answered Yes (OK) instead of waiting forever.
    QTimer fallback;
    fallback.setSingleShot(true);
    QObject::connect(&fallback, &QTimer::timeout, [] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        box->defaultButton()->click();
      }
    });
    fallback.start(10000);
    const bool answer = yes_no ? dialogs.ConfirmYesNo(asker, "Shut down?")
                               : dialogs.ConfirmOkCancel(asker, "Stop all the file conversions?");
    EXPECT_FALSE(answer) << "withdrawn: " << (yes_no ? "Yes/No" : "OK/Cancel");
    EXPECT_TRUE(open_after_other);
  }
}

TEST(QtDialogsTest, EachBoxBelongsToTheWindowThatAskedWhicheverIsActive) {
  Form main_form, options_form, unviewed_form;
  QWidget main_window;
  QWidget options(&main_window, Qt::Dialog | Qt::WindowStaysOnTopHint);
  main_window.show();
  options.show();
  QtDialogs dialogs(&main_window);
  dialogs.SetWindow(main_form, &main_window);
  dialogs.SetWindow(options_form, &options);
  // The main window is the active one, as when the options dialog has not been activated yet.
  QApplication::setActiveWindow(&main_window);

  BoxAnswer question;
  AnswerNextBox(QMessageBox::No, &question);
  EXPECT_FALSE(dialogs.ConfirmYesNo(options_form, "Shut down?"));
  EXPECT_EQ(question.owner, &options) << "the dialog that asked owns its question";
  EXPECT_TRUE(question.on_top) << "above an owner that stays on top";

  // The main window's box, while a window that stays on top shows, is not hidden under it.
  BoxAnswer message;
  AnswerNextBox(QMessageBox::Ok, &message);
  dialogs.ShowMessage(main_form, kInformationCaption, "All Conversion Jobs Done!");
  EXPECT_EQ(message.owner, &main_window);
  EXPECT_TRUE(message.on_top);
  options.hide();
  AnswerNextBox(QMessageBox::Ok, &message);
  dialogs.ShowMessage(unviewed_form, kInformationCaption, "x");
  EXPECT_EQ(message.owner, &main_window) << "a form without a window: the main window";
  EXPECT_FALSE(message.on_top);
}

TEST(QtDialogsTest, DetailsShowTheSummaryAndTheScrollableText) {
  QtDialogs dialogs;
  QString title, summary, text;
  bool read_only = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    title = dialog->windowTitle();
    summary = dialog->findChild<QLabel*>(QStringLiteral("DetailsSummary"))->text();
    auto* box = dialog->findChild<QPlainTextEdit*>(QStringLiteral("DetailsText"));
    text = box->toPlainText();
    read_only = box->isReadOnly();
    QTest::keyClick(dialog, Qt::Key_Escape);  // Close
  });
  dialogs.ShowDetails(Form{}, "Details", "/v/a.avi\n\rstopped",
                      "> raziz2u -i a.avi\nInput #0, avi\n");
  EXPECT_EQ(title, "Details");
  EXPECT_EQ(summary, "/v/a.avi\nstopped");
  EXPECT_EQ(text, "> raziz2u -i a.avi\nInput #0, avi\n");
  EXPECT_TRUE(read_only);
}

TEST(OptionsDialogViewTest, LayoutAndBindings) {
  OptionsForm form;
  int shutdown_clicks = 0;
  form.CheckBoxShutDown.on_click = [&] { ++shutdown_clicks; };
  OptionsDialogView view(form);
  EXPECT_EQ(view.windowTitle(), "Additional Options");
  EXPECT_EQ(view.size(), QSize(359, 269));
  EXPECT_TRUE(view.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_FALSE(view.isModal());

  auto* group = Find<QGroupBox>(&view, "OptionsGroup");
  EXPECT_EQ(group->title(), " Additional Options ");
  EXPECT_EQ(group->geometry(), QRect(12, 9, 334, 180));
  auto* overwrite = Find<QCheckBox>(&view, "CheckBoxOverWrite");
  auto* shutdown = Find<QCheckBox>(&view, "CheckBoxShutDown");
  EXPECT_EQ(overwrite->text(), "Overwrite Existing File With The Same Name");
  EXPECT_EQ(shutdown->text(), "Shut Down Computer After All Conversion Jobs Are Done ");
  EXPECT_EQ(overwrite->x(), 12);
  EXPECT_EQ(shutdown->x(), 12);
  EXPECT_EQ(Find<QPushButton>(&view, "DoneButton")->geometry(), QRect(114, 215, 118, 34));
  // The language: "System" first, then each language by its own name; named by its label.
  auto* language = Find<QComboBox>(&view, "ComboLanguage");
  EXPECT_TRUE(group->rect().contains(language->geometry()));
  EXPECT_EQ(Find<QLabel>(&view, "LanguageLabel")->buddy(), language);
  ASSERT_EQ(language->count(), 10);
  EXPECT_EQ(language->itemText(0), "System");
  EXPECT_EQ(language->itemText(2), "Deutsch");
  EXPECT_EQ(language->itemText(8), QString::fromUtf8("日本語"));
  EXPECT_EQ(language->currentIndex(), 0);
  // "Files converted at once": inside the group, 1 up to the processors, named by its label.
  auto* lanes = Find<QSpinBox>(&view, "SpinEditFilesAtOnce");
  EXPECT_TRUE(group->rect().contains(lanes->geometry()));
  EXPECT_EQ(Find<QLabel>(&view, "LabelFilesAtOnce")->text(), "Files converted at once");
  EXPECT_EQ(Find<QLabel>(&view, "LabelFilesAtOnce")->buddy(), lanes);
  EXPECT_EQ(lanes->minimum(), 1);
  EXPECT_EQ(lanes->maximum(), platform::ProcessorCount());
  EXPECT_EQ(lanes->value(), 1);
  // DropDownCountLabel and DropDownCount lie beyond the group's right edge: never seen.
  for (const char* name : {"DropDownCountLabel", "DropDownCount"}) {
    EXPECT_FALSE(group->rect().intersects(Find<QWidget>(&view, name)->geometry())) << name;
  }
  EXPECT_EQ(Find<QSpinBox>(&view, "DropDownCount")->value(), 27);

  view.ShowWindow();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  EXPECT_TRUE(form.visible);

  QTest::mouseClick(shutdown, Qt::LeftButton, {}, QPoint(6, shutdown->height() / 2));
  EXPECT_TRUE(form.CheckBoxShutDown.checked());
  EXPECT_EQ(shutdown_clicks, 1);
  form.CheckBoxShutDown.SetChecked(false);  // e.g. the user said No to the question
  EXPECT_FALSE(shutdown->isChecked());
  form.CheckBoxOverWrite.SetChecked(true);
  EXPECT_TRUE(overwrite->isChecked());

  form.DropDownCount.SetValue(40);
  EXPECT_EQ(Find<QSpinBox>(&view, "DropDownCount")->value(), 40);
  lanes->setValue(lanes->maximum());
  EXPECT_EQ(form.SpinEditFilesAtOnce.value(), lanes->maximum());

  int done = 0;
  form.DoneButton.on_click = [&] { ++done; };
  QTest::mouseClick(Find<QPushButton>(&view, "DoneButton"), Qt::LeftButton);
  EXPECT_EQ(done, 1);
  EXPECT_FALSE(view.isVisible());
  EXPECT_FALSE(form.visible);

  view.ShowWindow();  // shown again with its state kept
  EXPECT_TRUE(overwrite->isChecked());
  EXPECT_TRUE(view.close());
  EXPECT_FALSE(form.visible);
}

TEST(WarningWindowViewTest, RefusesToCloseWhileArmed) {
  PowerOffWarningForm form;
  bool armed = true;
  form.DoNotTurnOffButton.on_click = [&] {  // the cancel handler: disarm and close
    armed = false;
    form.visible = false;
  };
  WarningWindowView view(form);
  view.close_query = [&] { return !armed; };
  EXPECT_EQ(view.windowTitle(), "Warning");
  EXPECT_EQ(view.size(), QSize(365, 186));
  EXPECT_TRUE(view.windowFlags() & Qt::WindowStaysOnTopHint);
  auto* countdown = Find<QLabel>(&view, "CountdownText");
  auto* seconds = Find<QLabel>(&view, "ElapsedSeconds");
  EXPECT_EQ(countdown->text(), "Your PC will be turned off in 30 seconds");
  EXPECT_TRUE(countdown->font().bold());
  EXPECT_EQ(countdown->pos(), QPoint(51, 42));
  EXPECT_EQ(seconds->text(), "1");
  EXPECT_EQ(seconds->pos(), QPoint(177, 81));
  EXPECT_EQ(seconds->palette().color(QPalette::WindowText), QColor(Qt::red));
  auto* button = Find<QPushButton>(&view, "DoNotTurnOffButton");
  EXPECT_EQ(button->text(), "Do Not Turn Off");
  EXPECT_EQ(button->geometry(), QRect(123, 123, 118, 43));

  form.visible = true;
  view.SyncVisibility();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));

  EXPECT_FALSE(view.close());
  QTest::keyClick(&view, Qt::Key_Escape);
  EXPECT_TRUE(view.isVisible());
  EXPECT_TRUE(form.visible);

  form.ElapsedSeconds.SetCaption("17");
  EXPECT_EQ(seconds->text(), "17");
  EXPECT_GE(seconds->width(), seconds->sizeHint().width());  // two digits fit

  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_FALSE(armed);
  EXPECT_FALSE(view.isVisible());

  // Shown again later, the close box works once disarmed.
  view.ShowWindow();
  EXPECT_TRUE(view.close());
  EXPECT_FALSE(form.visible);
}

TEST(AnalyzingWindowViewTest, ShowsTheFileAndRefusesToCloseWhileAnalysing) {
  AnalyzingForm form;
  bool active = true;
  int cancels = 0;
  form.CancelButton.on_click = [&] { ++cancels; };
  AnalyzingWindowView view(form);
  view.close_query = [&] { return !active; };
  EXPECT_EQ(view.windowTitle(), "Analyzing Video Files");
  EXPECT_EQ(view.size(), QSize(275, 138));
  EXPECT_EQ(Find<QLabel>(&view, "Heading")->text(), "Analyzing File.......Please Wait.");
  auto* panel = Find<QLabel>(&view, "FileBeingAnalysed");
  EXPECT_EQ(panel->size(), QSize(259, 23));
  EXPECT_TRUE(panel->font().bold());
  EXPECT_EQ(panel->frameShadow(), QFrame::Sunken);

  view.ShowWindow();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  form.FileBeingAnalysed.SetCaption("holiday.avi");
  EXPECT_EQ(panel->text(), "holiday.avi");
  auto* cancel = Find<QPushButton>(&view, "CancelButton");
  EXPECT_EQ(cancel->text(), "Cancel");
  QTest::mouseClick(cancel, Qt::LeftButton);
  EXPECT_EQ(cancels, 1);
  EXPECT_TRUE(view.isVisible());  // the adding closes it when the current file is done
  EXPECT_FALSE(view.close());
  active = false;
  EXPECT_TRUE(view.close());
  EXPECT_FALSE(form.visible);
}

TEST(AboutBoxViewTest, LinksAndOk) {
  AboutForm form;
  AboutBoxView view(form);
  int site = 0, support = 0, ok = 0;
  view.on_website_click = [&] { ++site; };
  view.on_support_click = [&] { ++support; };
  form.OkButton.on_click = [&] { ++ok; };
  EXPECT_EQ(view.windowTitle(), "About");
  EXPECT_EQ(view.size(), QSize(359, 221));
  EXPECT_EQ(Find<QLabel>(&view, "ProgramIcon")->geometry(), QRect(15, 13, 32, 32));
  EXPECT_EQ(Find<QLabel>(&view, "ProductLabel")->text(), "Vidloom ");
  EXPECT_TRUE(Find<QLabel>(&view, "ProductLabel")->font().bold());
  EXPECT_EQ(Find<QLabel>(&view, "VersionLabel")->text(), "Version 2.0");
  EXPECT_EQ(Find<QPushButton>(&view, "OkButton")->geometry(), QRect(273, 52, 77, 31));
  EXPECT_EQ(Find<QWidget>(&view, "UpperSunkenLine")->geometry(), QRect(9, 90, 340, 2));
  EXPECT_EQ(Find<QWidget>(&view, "LowerSunkenLine")->geometry(), QRect(9, 170, 340, 2));
  auto* seconds = Find<QLabel>(&view, "WebsiteLink");
  auto* label3 = Find<QLabel>(&view, "SupportLink");
  EXPECT_EQ(seconds->text(), "Visit Korvane Website  for More Softwares ");
  EXPECT_EQ(label3->text(), "Contact Support Department");
  for (QLabel* link : {seconds, label3}) {
    EXPECT_TRUE(link->font().underline());
    EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(Qt::blue));
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
  }

  QTimer::singleShot(0, [&] {
    QTest::mouseClick(seconds, Qt::LeftButton, {}, QPoint(4, 4));
    QTest::mouseClick(label3, Qt::LeftButton, {}, QPoint(4, 4));
    EXPECT_TRUE(form.visible);
    QTest::mouseClick(Find<QPushButton>(&view, "OkButton"), Qt::LeftButton);
  });
  view.ShowModal();  // returns once OK closed it
  EXPECT_EQ(site, 1);
  EXPECT_EQ(support, 1);
  EXPECT_EQ(ok, 1);
  EXPECT_FALSE(view.isVisible());
  EXPECT_FALSE(form.visible);
}

}  // namespace
}  // namespace vidloom::gui
