#include "frmabout.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QUrl>

#include <string>

#include "common.h"
#include "message.h"
#include "programicon.h"
#include "version.h"

namespace {

// The etched separator Line1, in twips: a white line two pixels wide with a
// grey one-pixel line drawn over its upper edge.
struct SeparatorLine {
  int x1, y1, x2, y2;
  int width;  // pixels
  QColor colour;
};
const SeparatorLine kLine1[] = {
    {105, 2460, 5654, 2460, 2, QColor(255, 255, 255)},
    {90, 2445, 5654, 2445, 1, QColor(128, 128, 128)},
};

QLabel* makeLabel(const QString& name, const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

QPushButton* makeButton(const QString& name, const QString& text, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  return button;
}

void setTextColour(QLabel* label, const QColor& colour) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
}

}  // namespace

frmAbout::frmAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QStringLiteral("O programie"));
  setWindowIcon(programIcon());
  setFont(defaultFont());
  setFixedSize(twips(5730), twips(3555));

  picIcon_ = makeLabel(QStringLiteral("picIcon"), QString(), this);
  picIcon_->setPixmap(programIconPixmap());
  picIcon_->setGeometry(twips(240), twips(240), twips(480), twips(480));

  lblTitle_ = makeLabel(QStringLiteral("lblTitle"), QString::fromUtf8(wypelniak::ApplicationTitle), this);
  QFont titleFont = defaultFont(13.5);
  titleFont.setBold(true);
  lblTitle_->setFont(titleFont);
  setTextColour(lblTitle_, QColor(255, 0, 0));
  lblTitle_->setGeometry(twips(1050), twips(240), twips(3885), twips(480));

  // The placeholder caption gives way to the real version before the window
  // is ever shown.
  lblVersion_ = makeLabel(QStringLiteral("lblVersion"), QStringLiteral("Version"), this);
  lblVersion_->setGeometry(twips(1050), twips(780), twips(3885), twips(225));

  lblDescription_ = makeLabel(
      QStringLiteral("lblDescription"),
      QStringLiteral(
          "Program ten jest przydatny dla osób tworzących krzyżówki (szczegóły w pliku README.TXT)"),
      this);
  lblDescription_->setWordWrap(true);
  setTextColour(lblDescription_, QColor(0, 0, 0));
  lblDescription_->setGeometry(twips(1050), twips(1125), twips(3885), twips(1170));

  lblDisclaimer_ =
      makeLabel(QStringLiteral("lblDisclaimer"),
                QStringLiteral("Program jest bezpłatny: można go kopiować i przekazywać innym, "
                               "lecz nie za opłatą. Zabrania się jego dekompilacji i deasemblacji."),
                this);
  lblDisclaimer_->setWordWrap(true);
  setTextColour(lblDisclaimer_, QColor(0, 0, 0));
  lblDisclaimer_->setGeometry(twips(255), twips(2625), twips(3870), twips(825));

  // OK is the default (Enter) button; Esc closes any dialog. A focused WWW
  // takes Enter for itself, as every auto-default button in a dialog does.
  cmdOK_ = makeButton(QStringLiteral("cmdOK"), QStringLiteral("OK"), this);
  cmdOK_->setDefault(true);
  cmdOK_->setGeometry(twips(4245), twips(2625), twips(1260), twips(345));

  cmdSysInfo_ = makeButton(QStringLiteral("cmdSysInfo"), QStringLiteral("WWW"), this);
  cmdSysInfo_->setGeometry(twips(4260), twips(3075), twips(1245), twips(345));

  setTabOrder(cmdOK_, cmdSysInfo_);
  cmdOK_->setFocus();

  connect(cmdOK_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cmdSysInfo_, &QPushButton::clicked, this, &frmAbout::openHomePage);

  // Load step.
  lblVersion_->setText(QString::fromUtf8(wypelniak::kVersionLabel));
}

void frmAbout::paintEvent(QPaintEvent* event) {
  QDialog::paintEvent(event);
  QPainter painter(this);
  for (const SeparatorLine& line : kLine1) {
    painter.setPen(QPen(line.colour, line.width, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(twips(line.x1), twips(line.y1), twips(line.x2), twips(line.y2));
  }
}

void frmAbout::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) centreOnScreen(this);
  QDialog::showEvent(event);
}

void frmAbout::openHomePage() {
  // The window stays open either way. Without a browser the system says so
  // only on the terminal, if anywhere: the user is given the address instead.
  if (QDesktopServices::openUrl(QUrl(QString::fromUtf8(wypelniak::kHomePage)))) return;
  showMessage(this,
              std::string("Nie udało się uruchomić przeglądarki internetowej. Stronę programu można otworzyć "
                          "samodzielnie, wpisując w przeglądarce adres:\n") +
                  wypelniak::kHomePage,
              {}, wypelniak::MessageIcon::Information);
}
