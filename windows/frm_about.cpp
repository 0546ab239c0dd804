// frmAbout: name, version, contact and credits.
#include "windows/frm_about.h"

#include <QKeySequence>
#include <QShortcut>

#include "toolkit/twips.h"

namespace vantor {
namespace {

constexpr double kWidth = 6000;
constexpr double kHeight = 4000;

}  // namespace

FrmAbout::FrmAbout(QWidget* parent) : Form(QStringLiteral("frmAbout"), parent) {
  setWindowTitle(QStringLiteral("About"));
  // Escape closes the window as its close button does.
  connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
          &QWidget::close);
  const QString texts[] = {
      QString(),
      QStringLiteral("Vantor"),
      QStringLiteral("Version %1, %2").arg(QLatin1String(kVersion), QLatin1String(kVersionDate)),
      QStringLiteral("------------------------------"),
      QStringLiteral("Please report bugs, plus suggestions to:"),
      QStringLiteral("vantor-bugs@example.org"),
      QStringLiteral("Times of minimum by six methods, among them"),
      QStringLiteral("Kwee and van Woerden (1956) and Ghedini (1982)."),
      QStringLiteral("No warranty: check the results before you use them."),
  };
  // Top and height of each line in twips.
  const double tops[] = {0, 240, 1020, 1320, 1620, 1890, 2400, 2670, 3060};
  const double heights[] = {0, 720, 270, 270, 270, 270, 270, 270, 270};
  for (int i = 1; i <= 8; ++i) {
    Label[i] = new QLabel(texts[i], this);
    Label[i]->setObjectName(QStringLiteral("Label%1").arg(i));
    Label[i]->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    SetGeometryTwips(*Label[i], 120, tops[i], kWidth - 240, heights[i]);
  }
  QFont name(QStringLiteral("Arial"));
  name.setStyleHint(QFont::SansSerif);
  name.setPointSize(28);
  name.setBold(true);
  Label[1]->setFont(name);
  Label[5]->setTextInteractionFlags(Qt::TextSelectableByMouse);

  SetWidth(kWidth);
  SetHeight(kHeight);
}

void FrmAbout::Form_Load() {
  SetLeft(0);
  SetTop(0);
}

}  // namespace vantor
