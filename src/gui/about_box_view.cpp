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

AboutBoxView::AboutBoxView(TFormAbout& form, QWidget* parent) : FormDialog(form.visible, parent) {
  setObjectName(QStringLiteral("FormAbout"));
  MakeFixedDialog(this, 359, 221, /*on_top=*/false);
  setWindowTitle(Q(form.caption));
  setWindowIcon(MakeIcon(IconKind::kApp));

  auto* image = new QLabel(this);
  image->setObjectName(QStringLiteral("Image1"));
  image->setPixmap(MakePixmap(IconKind::kApp, 32));
  image->setGeometry(15, 13, 32, 32);

  auto* name = new QLabel(this);
  name->setObjectName(QStringLiteral("Label1"));
  name->setFont(WindowFont(11, true));
  name->move(63, 19);
  BindLabel(form.Label1, name, true);

  auto* version = new QLabel(this);
  version->setObjectName(QStringLiteral("Label5"));
  version->move(141, 39);
  BindLabel(form.Label5, version, true);

  auto* ok = new QPushButton(Q(form.SpeedButton1.caption), this);
  ok->setObjectName(QStringLiteral("SpeedButton1"));
  ok->setAccessibleName(Q(form.SpeedButton1.caption));
  ok->setFont(WindowFont(11, true));
  ok->setGeometry(273, 52, 77, 31);
  ok->setDefault(true);
  BindButton(form.SpeedButton1, ok);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  AddSunkenLine(this, "Panel1", 90);

  auto* site = new LinkLabel(
      [this] {
        if (on_label2_click) on_label2_click();
      },
      this);
  site->setObjectName(QStringLiteral("Label2"));
  site->move(86, 108);
  BindLabel(form.Label2, site, true);
  site->setAccessibleName(Q(form.Label2.caption()).trimmed());

  auto* support = new LinkLabel(
      [this] {
        if (on_label3_click) on_label3_click();
      },
      this);
  support->setObjectName(QStringLiteral("Label3"));
  support->move(86, 136);
  BindLabel(form.Label3, support, true);
  support->setAccessibleName(Q(form.Label3.caption()).trimmed());

  AddSunkenLine(this, "Panel3", 170);

  auto* foot = new QLabel(this);
  foot->setObjectName(QStringLiteral("Label4"));
  foot->move(104, 190);
  BindLabel(form.Label4, foot, true);

  setTabOrder(ok, site);
  setTabOrder(site, support);
}

}  // namespace vidloom::gui
