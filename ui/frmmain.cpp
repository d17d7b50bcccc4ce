#include "frmmain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

#include <limits>
#include <optional>
#include <string>

#include "common.h"
#include "cp1250.h"
#include "frmabout.h"
#include "frmpodpowiedzi.h"
#include "frmslownik.h"
#include "patternsearch.h"
#include "programicon.h"
#include "resultlistview.h"
#include "resultmodel.h"
#include "wordlist.h"
#include "wrapbutton.h"

namespace {

QLabel* makeLabel(const QString& name, const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

// No button of this window is its default: Enter in the pattern box starts
// nothing. Enter on a focused button presses it (pressFocusedButtonOnEnter).
template <typename Button = QPushButton>
Button* makeButton(const QString& name, const QString& text, QWidget* parent) {
  auto* button = new Button(text, parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  button->setDefault(false);
  return button;
}

}  // namespace

frmMain::frmMain(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      results_(new ResultModel(&found_, this)),
      programFolder_(wypelniak::ProgramFolder()) {
  setWindowTitle(QString::fromUtf8(wypelniak::ApplicationTitle));
  setFixedSize(twips(4680), twips(3195));
  setFont(defaultFont());

  label1_ = makeLabel(QStringLiteral("Label1"),
                      QStringLiteral("Wpisz jakieś słowo, zamiast 'dziur' wpisuj gwiazdkę (*)"), this);
  label1_->setWordWrap(true);
  label1_->setGeometry(twips(120), twips(120), twips(2655), twips(495));

  text1_ = new QLineEdit(this);
  text1_->setObjectName(QStringLiteral("Text1"));
  text1_->setMaxLength(std::numeric_limits<int>::max());
  text1_->setGeometry(twips(120), twips(600), twips(2655), twips(285));

  label2_ = makeLabel(QStringLiteral("Label2"), QStringLiteral("Pasujące słowa"), this);
  label2_->setGeometry(twips(120), twips(960), twips(2655), twips(255));

  // The please-wait label lies inside the result list's rectangle, beneath
  // it, and shows exactly while a search keeps the list hidden. While the
  // list shows, the label is hidden too: the list covers it, and a hidden
  // label costs the window's first painting nothing (its larger font).
  label3_ = makeLabel(QStringLiteral("Label3"),
                      QStringLiteral("Proszę czekać, trwa wyszukiwanie odpowiednich wyrazów !!!"), this);
  label3_->setWordWrap(true);
  label3_->setFont(defaultFont(13.5));
  QPalette red = label3_->palette();
  red.setColor(QPalette::WindowText, QColor(255, 0, 0));
  label3_->setPalette(red);
  label3_->setGeometry(twips(240), twips(1440), twips(2415), twips(1455));

  // A search may list hundreds of thousands of words: the view places each
  // row from its number and keeps nothing per row.
  list1_ = new ResultListView(this);
  list1_->setObjectName(QStringLiteral("List1"));
  list1_->setModel(results_);
  list1_->setSelectionMode(QAbstractItemView::SingleSelection);
  list1_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list1_->setGeometry(twips(120), twips(1200), twips(2655), twips(1815));
  label3_->stackUnder(list1_);
  label3_->hide();

  command1_ = makeButton(QStringLiteral("Command1"), QStringLiteral("Szukaj"), this);
  command1_->setGeometry(twips(3000), twips(120), twips(1455), twips(375));
  command2_ = makeButton(QStringLiteral("Command2"), QStringLiteral("O programie"), this);
  command2_->setGeometry(twips(3000), twips(600), twips(1455), twips(375));
  command3_ = makeButton(QStringLiteral("Command3"), QStringLiteral("Koniec"), this);
  command3_->setGeometry(twips(3000), twips(1080), twips(1455), twips(375));
  command4_ = makeButton(QStringLiteral("Command4"), QStringLiteral("Command4"), this);
  command4_->setGeometry(twips(3000), twips(1680), twips(1455), twips(375));
  command4_->hide();
  command5_ = makeButton<WrapButton>(QStringLiteral("Command5"),
                                     QStringLiteral("Dodaj nowy wyraz do słownika"), this);
  command5_->setGeometry(twips(3000), twips(2400), twips(1455), twips(615));

  setTabOrder(text1_, list1_);
  setTabOrder(list1_, command1_);
  setTabOrder(command1_, command2_);
  setTabOrder(command2_, command3_);
  setTabOrder(command3_, command4_);
  setTabOrder(command4_, command5_);
  text1_->setFocus();

  pressFocusedButtonOnEnter(this);

  connect(command1_, &QPushButton::clicked, this, &frmMain::search);
  connect(command2_, &QPushButton::clicked, this, &frmMain::showAbout);
  connect(command3_, &QPushButton::clicked, this, &frmMain::endProgram);
  connect(command5_, &QPushButton::clicked, this, &frmMain::showAddWord);
  // Activation is a double-click, or Enter on the current row.
  connect(list1_, &QAbstractItemView::activated, this, &frmMain::showHints);
}

void frmMain::setProgramFolder(const std::filesystem::path& folder) {
  programFolder_ = folder;
}

std::string frmMain::PatternText() {
  return text1_->text().toStdString();
}

void frmMain::ShowMessage(std::string_view text, std::string_view title, wypelniak::MessageIcon icon) {
  showMessage(this, text, title, icon);
}

void frmMain::ClearResults() {
  results_->clear();
  found_.Clear();
}

void frmMain::SetResultsVisible(bool visible) {
  // The words found reach the list in one piece, before it shows.
  if (visible) results_->publish();
  if (!visible) label3_->show();
  list1_->setVisible(visible);
  label2_->setVisible(visible);
  if (visible) label3_->hide();
}

void frmMain::SetPatternEnabled(bool enabled) {
  text1_->setEnabled(enabled);
}

void frmMain::ProcessPendingEvents() {
  QCoreApplication::processEvents();
}

void frmMain::AddResult(std::string_view word) {
  // The search fills the list itself; a word given here joins it when it
  // has the list's length (the first word sets the length).
  const std::optional<std::string> stored = wypelniak::Utf8ToCp1250(word);
  if (!stored) return;
  if (found_.Empty()) found_.Reset(stored->size());
  found_.Append(*stored);
}

void frmMain::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) centreOnScreen(this);
  QWidget::showEvent(event);
}

void frmMain::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  // The icon comes once the window has first been painted: an X11 window
  // system takes every picture of it, decoded and sent before the window is
  // mapped, which held the window back some 8 ms.
  if (!iconSet_) QTimer::singleShot(0, this, &frmMain::setProgramIcon);
}

void frmMain::setProgramIcon() {
  if (iconSet_) return;
  iconSet_ = true;
  setWindowIcon(programIcon());
}

void frmMain::closeEvent(QCloseEvent* event) {
  if (searching_) {
    endRequested_ = true;
    event->ignore();
    return;
  }
  // Closing the main window ends the program.
  QWidget::closeEvent(event);
}

void frmMain::search() {
  if (searching_) return;
  searching_ = true;
  wypelniak::PatternSearch(*this, searchMemory_, programFolder_);
  searching_ = false;
  if (endRequested_) endProgram();
}

void frmMain::showAbout() {
  if (searching_) return;
  // A child dialog stays off the task bar and above this window.
  frmAbout about(this);
  about.exec();
}

void frmMain::endProgram() {
  if (searching_) {
    endRequested_ = true;
    return;
  }
  ClearResults();
  // Every window goes away without a close event, so that no close handler
  // runs; then the event loop ends. QCoreApplication::quit() would first ask
  // each window to close.
  const QWidgetList windows = QApplication::topLevelWidgets();
  for (QWidget* window : windows) window->hide();
  QCoreApplication::exit(0);
}

void frmMain::showAddWord() {
  if (searching_) return;
  frmSlownik dialog(this);
  setProgramIcon();
  dialog.setWindowIcon(windowIcon());
  dialog.setProgramFolder(programFolder_);
  dialog.exec();
}

void frmMain::showHints(const QModelIndex& index) {
  if (searching_ || !index.isValid() || !list1_->selectionModel()->isSelected(index)) return;
  frmPodpowiedzi hints(index.data().toString(), programFolder_, this);
  hints.exec();
}
