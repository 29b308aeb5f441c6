#include "gui/qt_dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
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

int Ask(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text,
        QMessageBox::StandardButtons buttons, QMessageBox::StandardButton default_button) {
  QMessageBox box(icon, caption, text, buttons, parent);
  box.setDefaultButton(default_button);
  return box.exec();
}

}  // namespace

void QtDialogs::ShowMessage(const std::string& caption, const std::string& text) {
  OnGuiThread([&] {
    return Ask(parent_, QMessageBox::Information, QString::fromStdString(caption),
               MessageText(text), QMessageBox::Ok, QMessageBox::Ok);
  });
}

bool QtDialogs::ConfirmOkCancel(const std::string& text) {
  return OnGuiThread([&] {
           return Ask(parent_, QMessageBox::Question, kConfirmCaption, MessageText(text),
                      QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
         }) == QMessageBox::Ok;
}

bool QtDialogs::ConfirmYesNo(const std::string& text) {
  return OnGuiThread([&] {
           return Ask(parent_, QMessageBox::Question, kConfirmCaption, MessageText(text),
                      QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
         }) == QMessageBox::Yes;
}

void QtDialogs::ShowDetails(const std::string& title, const std::string& summary,
                            const std::string& details) {
  OnGuiThread([&] {
    QDialog dialog(parent_);
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
