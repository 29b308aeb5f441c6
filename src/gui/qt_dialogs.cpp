#include "gui/qt_dialogs.h"
#include "texts/language.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QThread>
#include <QVBoxLayout>
#include <functional>

namespace vidloom::gui {

QString MessageText(const std::string& text) {
  QString out;
  out.reserve(static_cast<qsizetype>(text.size()));
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\n' || c == '\r') {
      // "\n\r" and "\r\n" are one break each.
      const char next = i + 1 < text.size() ? text[i + 1] : '\0';
      if ((next == '\n' || next == '\r') && next != c) ++i;
      out += QLatin1Char('\n');
      continue;
    }
    // Runs of ordinary bytes are decoded together so multi-byte UTF-8 stays whole.
    std::size_t end = i;
    while (end < text.size() && text[end] != '\n' && text[end] != '\r') ++end;
    out += QString::fromUtf8(text.data() + i, static_cast<qsizetype>(end - i));
    i = end - 1;
  }
  return out;
}

namespace {

// Runs `show` on the GUI thread and returns its answer.
int OnGuiThread(const std::function<int()>& show) {
  if (!qApp || QThread::currentThread() == qApp->thread()) return show();
  int answer = 0;
  QMetaObject::invokeMethod(
      qApp, [&] { answer = show(); }, Qt::BlockingQueuedConnection);
  return answer;
}

// Room the window manager's title bar takes for its buttons and margins.
constexpr int kTitleBarButtonsWidth = 180;

bool StaysOnTop(const QWidget* window) {
  return window != nullptr && (window->windowFlags() & Qt::WindowStaysOnTopHint);
}

int Ask(QWidget* owner, bool on_top, QMessageBox::Icon icon, const QString& caption,
        const QString& text, QMessageBox::StandardButtons buttons,
        QMessageBox::StandardButton default_button,
        const std::function<void(QMessageBox*)>& opened = {}) {
  QMessageBox box(icon, caption, text, buttons, owner);
  box.setObjectName(QStringLiteral("MessageBox"));
  box.setDefaultButton(default_button);
  if (on_top) box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  // Wide enough that the window manager's title bar shows the whole caption beside its buttons
  // (a message box is otherwise only as wide as its text).
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    const int width = box.fontMetrics().horizontalAdvance(caption) + kTitleBarButtonsWidth;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
  if (opened) opened(&box);
  return box.exec();
}

}  // namespace

void QtDialogs::SetWindow(const Form& form, QWidget* window) {
  for (auto it = windows_.begin(); it != windows_.end(); ++it) {
    if (it->first == &form) {
      windows_.erase(it);
      break;
    }
  }
  if (window != nullptr) windows_.emplace_back(&form, window);
}

QWidget* QtDialogs::Owner(const Form& asker) const {
  for (const auto& [form, window] : windows_) {
    if (form == &asker && window) return window;
  }
  return parent_;
}

bool QtDialogs::KeepOnTop(const QWidget* owner) const {
  if (StaysOnTop(owner)) return true;
  for (const auto& [form, window] : windows_) {
    if (window && window->isVisible() && StaysOnTop(window)) return true;
  }
  return false;
}

void QtDialogs::ShowMessage(const Form& asker, const std::string& caption,
                            const std::string& text) {
  OnGuiThread([&] {
    QWidget* owner = Owner(asker);
    return Ask(owner, KeepOnTop(owner), QMessageBox::Information, QString::fromStdString(caption),
               MessageText(text), QMessageBox::Ok, QMessageBox::Ok);
  });
}

int QtDialogs::AskQuestion(const Form& asker, const std::string& text,
                           QMessageBox::StandardButtons buttons,
                           QMessageBox::StandardButton default_button) {
  return OnGuiThread([&] {
    QWidget* owner = Owner(asker);
    const int answer = Ask(owner, KeepOnTop(owner), QMessageBox::Question,
                           texts::Tr(kConfirmCaption), MessageText(text), buttons, default_button,
                           [&](QMessageBox* box) { questions_.emplace_back(&asker, box); });
    std::erase_if(questions_, [](const auto& question) { return question.second.isNull(); });
    return answer;
  });
}

bool QtDialogs::ConfirmOkCancel(const Form& asker, const std::string& text) {
  return AskQuestion(asker, text, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok) ==
         QMessageBox::Ok;
}

bool QtDialogs::ConfirmYesNo(const Form& asker, const std::string& text) {
  return AskQuestion(asker, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) ==
         QMessageBox::Yes;
}

void QtDialogs::WithdrawQuestions(const Form& asker) {
  OnGuiThread([&] {
    for (const auto& [form, box] : questions_) {
      if (form != &asker || box.isNull()) continue;
      // The box's own No (Cancel) button: the question ends as if the user had pressed it.
      QAbstractButton* no = box->button(QMessageBox::Cancel);
      if (no == nullptr) no = box->button(QMessageBox::No);
      if (no != nullptr) no->click();
    }
    return 0;
  });
}

void QtDialogs::ShowDetails(const Form& asker, const std::string& title, const std::string& summary,
                            const std::string& details) {
  OnGuiThread([&] {
    QWidget* owner = Owner(asker);
    QDialog dialog(owner);
    if (KeepOnTop(owner)) dialog.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    dialog.setObjectName(QStringLiteral("DetailsDialog"));
    dialog.setWindowTitle(QString::fromStdString(title));
    dialog.resize(640, 400);
    auto* layout = new QVBoxLayout(&dialog);
    auto* label = new QLabel(MessageText(summary), &dialog);
    label->setObjectName(QStringLiteral("DetailsSummary"));
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(label);
    auto* text = new QPlainTextEdit(
        QString::fromUtf8(details.data(), static_cast<qsizetype>(details.size())), &dialog);
    text->setObjectName(QStringLiteral("DetailsText"));
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout->addWidget(text, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    // The end of the output is where a failure is told.
    text->verticalScrollBar()->setValue(text->verticalScrollBar()->maximum());
    return dialog.exec();
  });
}

}  // namespace vidloom::gui
