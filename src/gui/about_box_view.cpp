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

QFrame* AddSunkenLine(QWidget* parent, const FormControlLayout& layout) {
  auto* line = new QFrame(parent);
  Designed(line, layout);
  line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
  line->setGeometry(DesignedRect(layout.box));
  return line;
}

// A label that sizes itself to its text, at its designed top left corner.
QLabel* AddLabel(QLabel* label, const FormControlLayout& layout) {
  Designed(label, layout);
  label->move(layout.box.x, layout.box.y);
  return label;
}

}  // namespace

AboutBoxView::AboutBoxView(AboutForm& form, QWidget* parent) : FormDialog(form.visible, parent) {
  setObjectName(QStringLiteral("AboutBox"));
  const FormLayout& layout = kAboutLayout;
  MakeFixedDialog(this, layout.client_width, layout.client_height, /*on_top=*/false);
  setWindowTitle(Q(form.caption));
  setWindowIcon(MakeIcon(Picture::kApp));

  const FormControlLayout& icon = layout.Control("ProgramIcon");
  auto* image = new QLabel(this);
  Designed(image, icon);
  image->setPixmap(MakePixmap(Picture::kApp, icon.box.width));
  image->setGeometry(DesignedRect(icon.box));

  BindLabel(form.ProductLabel, AddLabel(new QLabel(this), layout.Control("ProductLabel")), true);
  BindLabel(form.VersionLabel, AddLabel(new QLabel(this), layout.Control("VersionLabel")), true);

  const FormControlLayout& ok_layout = layout.Control("OkButton");
  auto* ok = new QPushButton(Q(form.OkButton.caption), this);
  Designed(ok, ok_layout);
  ok->setAccessibleName(Q(form.OkButton.caption));
  ok->setGeometry(DesignedRect(ok_layout.box));
  ok->setDefault(true);
  BindButton(form.OkButton, ok);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  AddSunkenLine(this, layout.Control("UpperSunkenLine"));

  auto* site = AddLabel(new LinkLabel(
                            [this] {
                              if (on_website_click) on_website_click();
                            },
                            this),
                        layout.Control("WebsiteLink"));
  BindLabel(form.WebsiteLink, site, true);
  site->setAccessibleName(Q(form.WebsiteLink.caption()).trimmed());

  auto* support = AddLabel(new LinkLabel(
                               [this] {
                                 if (on_support_click) on_support_click();
                               },
                               this),
                           layout.Control("SupportLink"));
  BindLabel(form.SupportLink, support, true);
  support->setAccessibleName(Q(form.SupportLink.caption()).trimmed());

  AddSunkenLine(this, layout.Control("LowerSunkenLine"));

  BindLabel(form.Footer, AddLabel(new QLabel(this), layout.Control("Footer")), true);

  SetTabOrder(this, layout);
}

}  // namespace vidloom::gui
