#include "gui/about_box_view.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include "gui/bind.h"
#include "gui/icons.h"
#include "gui/window_style.h"

namespace vidloom::gui {

namespace {

// A label drawn as a web link: blue, underlined, hand cursor; clicks call `on_click`.
class LinkLabel : public QLabel {
 public:
  LinkLabel(std::function<void()> on_click, QWidget* parent)
      : QLabel(parent), on_click_(std::move(on_click)) {
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
    QPalette p = palette();
    p.setColor(QPalette::WindowText, Qt::blue);
    setPalette(p);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
  }

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
      on_click_();
    }
  }
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
        event->key() == Qt::Key_Space) {
      on_click_();
      return;
    }
    QLabel::keyPressEvent(event);
  }

 private:
  std::function<void()> on_click_;
};

QFrame* AddSunkenLine(QWidget* parent, const char* name, int y) {
  auto* line = new QFrame(parent);
  line->setObjectName(QString::fromLatin1(name));
  line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
  line->setGeometry(9, y, 340, 2);
  return line;
}

}  // namespace

AboutBoxView::AboutBoxView(AboutForm& form, QWidget* parent) : FormDialog(form.visible, parent) {
  setObjectName(QStringLiteral("AboutBox"));
  MakeFixedDialog(this, 359, 221, /*on_top=*/false);
  setWindowTitle(Q(form.caption));
  setWindowIcon(MakeIcon(Picture::kApp));

  auto* image = new QLabel(this);
  image->setObjectName(QStringLiteral("ProgramIcon"));
  image->setPixmap(MakePixmap(Picture::kApp, 32));
  image->setGeometry(15, 13, 32, 32);

  auto* name = new QLabel(this);
  name->setObjectName(QStringLiteral("ProductLabel"));
  name->setFont(WindowFont(11, true));
  name->move(63, 19);
  BindLabel(form.ProductLabel, name, true);

  auto* version = new QLabel(this);
  version->setObjectName(QStringLiteral("VersionLabel"));
  version->move(141, 39);
  BindLabel(form.VersionLabel, version, true);

  auto* ok = new QPushButton(Q(form.OkButton.caption), this);
  ok->setObjectName(QStringLiteral("OkButton"));
  ok->setAccessibleName(Q(form.OkButton.caption));
  ok->setFont(WindowFont(11, true));
  ok->setGeometry(273, 52, 77, 31);
  ok->setDefault(true);
  BindButton(form.OkButton, ok);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  AddSunkenLine(this, "UpperSunkenLine", 90);

  auto* site = new LinkLabel(
      [this] {
        if (on_website_click) on_website_click();
      },
      this);
  site->setObjectName(QStringLiteral("WebsiteLink"));
  site->move(86, 108);
  BindLabel(form.WebsiteLink, site, true);
  site->setAccessibleName(Q(form.WebsiteLink.caption()).trimmed());

  auto* support = new LinkLabel(
      [this] {
        if (on_support_click) on_support_click();
      },
      this);
  support->setObjectName(QStringLiteral("SupportLink"));
  support->move(86, 136);
  BindLabel(form.SupportLink, support, true);
  support->setAccessibleName(Q(form.SupportLink.caption()).trimmed());

  AddSunkenLine(this, "LowerSunkenLine", 170);

  auto* foot = new QLabel(this);
  foot->setObjectName(QStringLiteral("Footer"));
  foot->move(104, 190);
  BindLabel(form.Footer, foot, true);

  setTabOrder(ok, site);
  setTabOrder(site, support);
}

}  // namespace vidloom::gui
