#include "frmslownik.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

#include <limits>

#include "addword.h"
#include "common.h"
#include "wordlist.h"

namespace {

// A dialog makes its first button the default, which Enter in the word box
// would press; none of these is. Enter on a focused button presses it
// (pressFocusedButtonOnEnter).
QPushButton* makeButton(const QString& name, const QString& text, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  button->setDefault(false);
  return button;
}

}  // namespace

frmSlownik::frmSlownik(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      programFolder_(wypelniak::ProgramFolder()) {
  setWindowTitle(QStringLiteral("Dodaj nowy wyraz do słownika"));
  setFixedSize(twips(3975), twips(2070));
  setFont(defaultFont());

  label1_ = new QLabel(QStringLiteral("Wpisz nowy wyraz"), this);
  label1_->setObjectName(QStringLiteral("Label1"));
  label1_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label1_->setGeometry(twips(120), twips(240), twips(2055), twips(255));

  text1_ = new QLineEdit(this);
  text1_->setObjectName(QStringLiteral("Text1"));
  text1_->setMaxLength(std::numeric_limits<int>::max());
  text1_->setGeometry(twips(120), twips(480), twips(2295), twips(285));

  command1_ = makeButton(QStringLiteral("Command1"), QStringLiteral("Dodaj"), this);
  command1_->setGeometry(twips(2640), twips(120), twips(1215), twips(495));
  command2_ = makeButton(QStringLiteral("Command2"), QStringLiteral("Koniec"), this);
  command2_->setGeometry(twips(2640), twips(720), twips(1215), twips(495));

  label2_ = new QLabel(
      QStringLiteral("UWAGA: aby program widział nowo dodane wyrazy, należy go ponownie uruchomić"), this);
  label2_->setObjectName(QStringLiteral("Label2"));
  label2_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label2_->setWordWrap(true);
  label2_->setGeometry(twips(120), twips(1560), twips(3615), twips(495));

  setTabOrder(text1_, command1_);
  setTabOrder(command1_, command2_);
  text1_->setFocus();

  pressFocusedButtonOnEnter(this);

  connect(command1_, &QPushButton::clicked, this, &frmSlownik::addWord);
  connect(command2_, &QPushButton::clicked, this, &frmSlownik::reject);
}

void frmSlownik::setProgramFolder(const std::filesystem::path& folder) {
  programFolder_ = folder;
}

std::string frmSlownik::WordText() {
  return text1_->text().toStdString();
}

void frmSlownik::ShowMessage(std::string_view text, std::string_view title, wypelniak::MessageIcon icon) {
  showMessage(this, text, title, icon);
}

void frmSlownik::SelectWordText() {
  text1_->setSelection(0, text1_->text().length());
}

void frmSlownik::FocusWord() {
  text1_->setFocus();
}

void frmSlownik::ProcessPendingEvents() {
  QCoreApplication::processEvents();
}

void frmSlownik::reject() {
  if (adding_) {
    closeRequested_ = true;
    return;
  }
  QDialog::reject();
}

void frmSlownik::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) centreOnScreen(this);
  QDialog::showEvent(event);
}

void frmSlownik::addWord() {
  if (adding_) return;
  adding_ = true;
  wypelniak::AddWord(*this, addWordMemory_, programFolder_);
  adding_ = false;
  if (closeRequested_) {
    closeRequested_ = false;
    reject();
  }
}
