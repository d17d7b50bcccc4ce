#include <QApplication>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QAbstractItemView>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <climits>
#include <filesystem>

#include "common.h"
#include "frmmain.h"
#include "frmslownik.h"
#include "messagelog.h"
#include "resultmodel.h"
#include "wrapbutton.h"

namespace {

// slow.3: the count, then the three-letter words in Windows-1250 ("k\xB9t" is
// "kąt", "\xBF" is "ż"), every line ended by CR LF.
const WordListFile kThreeLetterWords = {3,
                                        "7\r\n"
                                        "k\xB9t\r\n"
                                        "kot\r\n"
                                        "lot\r\n"
                                        "kit\r\n"
                                        "kod\r\n"
                                        "kat\r\n"
                                        "\xBF"
                                        "ak\r\n"};

// Types the pattern over the pattern box's text and clicks "Szukaj".
void search(frmMain& window, const QString& pattern) {
  control<QLineEdit>(window, "Text1")->setText(pattern);
  control<QPushButton>(window, "Command1")->click();
}

QStringList listed(const frmMain& window) {
  QStringList words;
  const QAbstractItemModel* model = control<QAbstractItemView>(window, "List1")->model();
  for (int row = 0; row < model->rowCount(); ++row) words << model->index(row, 0).data().toString();
  return words;
}

// Closes any modal window that opens while it lives, and counts them; a
// window that should not have opened then cannot block the test.
class ModalCloser {
 public:
  ModalCloser() {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        ++opened;
        dialog->reject();
      }
    });
    timer_.start(20);
  }
  int opened = 0;

 private:
  QTimer timer_;
};

// Runs the application's event loop until the program ends it, or fails after
// a few seconds. Returns the loop's exit code.
int runUntilProgramEnds() {
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(-100); });
  watchdog.start(5000);
  return QApplication::exec();
}

// Counts close events that reach a widget.
class CloseCounter : public QObject {
 public:
  int closes = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Close) ++closes;
    return false;
  }
};

}  // namespace

class FrmMainTest : public QObject {
  Q_OBJECT

 private slots:
  void controlGeometryAndCaptions_data();
  void controlGeometryAndCaptions();
  void window();
  void fontsAndWrapping();
  void startFocusAndTabOrder();
  void pleaseWaitLabelShowsOnlyWhileListHidden();
  void searchListsMatchesInFileOrder();
  void refusals_data();
  void refusals();
  void realMessageBox();
  void missingWordListFile();
  void enterInPatternBoxStartsNothing();
  void enterPressesFocusedButton();
  void wholeFrameCentred();
  void clicksDuringSearchStartNothing();
  void addWordWindowFromMainWindow();
  void resultModelHoldsManyWords();
  // These run the application's event loop and end it: keep them last.
  void koniecClearsListAndEndsProgram();
  void closeBoxEndsProgram();
  void endRequestDuringSearchWaitsForIt_data();
  void endRequestDuringSearchWaitsForIt();
};

void FrmMainTest::controlGeometryAndCaptions_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QRect>("geometry");
  QTest::addColumn<QString>("caption");
  // Twips from the layout, 15 to a pixel.
  QTest::newRow("Label1") << "Label1" << QRect(8, 8, 177, 33)
                          << "Wpisz jakieś słowo, zamiast 'dziur' wpisuj gwiazdkę (*)";
  QTest::newRow("Text1") << "Text1" << QRect(8, 40, 177, 19) << "";
  QTest::newRow("Label2") << "Label2" << QRect(8, 64, 177, 17) << "Pasujące słowa";
  QTest::newRow("List1") << "List1" << QRect(8, 80, 177, 121) << "";
  QTest::newRow("Label3") << "Label3" << QRect(16, 96, 161, 97)
                          << "Proszę czekać, trwa wyszukiwanie odpowiednich wyrazów !!!";
  QTest::newRow("Command1") << "Command1" << QRect(200, 8, 97, 25) << "Szukaj";
  QTest::newRow("Command2") << "Command2" << QRect(200, 40, 97, 25) << "O programie";
  QTest::newRow("Command3") << "Command3" << QRect(200, 72, 97, 25) << "Koniec";
  QTest::newRow("Command4") << "Command4" << QRect(200, 112, 97, 25) << "Command4";
  QTest::newRow("Command5") << "Command5" << QRect(200, 160, 97, 41) << "Dodaj nowy wyraz do słownika";
}

void FrmMainTest::controlGeometryAndCaptions() {
  QFETCH(QString, name);
  QFETCH(QRect, geometry);
  QFETCH(QString, caption);
  frmMain window;
  QWidget* widget = window.findChild<QWidget*>(name);
  QVERIFY(widget);
  QCOMPARE(widget->parentWidget(), &window);
  QCOMPARE(widget->geometry(), geometry);
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    QCOMPARE(label->text(), caption);
  } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
    QCOMPARE(button->text(), caption);
    // No button acts on Enter.
    QVERIFY(!button->autoDefault());
    QVERIFY(!button->isDefault());
  } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    QCOMPARE(edit->text(), caption);
  }
}

void FrmMainTest::window() {
  frmMain window;
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QCOMPARE(window.windowTitle(), QStringLiteral("Wypełniak"));
  QCOMPARE(window.size(), QSize(312, 213));
  QCOMPARE(window.minimumSize(), window.maximumSize());
  const Qt::WindowFlags flags = window.windowFlags();
  QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
  QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
  QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));

  // Centred on its screen.
  const QPoint offCentre = window.frameGeometry().center() - window.screen()->availableGeometry().center();
  QVERIFY2(qAbs(offCentre.x()) <= 1 && qAbs(offCentre.y()) <= 1,
           qPrintable(QString("off centre by %1,%2").arg(offCentre.x()).arg(offCentre.y())));

  // It opens with an empty pattern box and an empty, visible list and caption.
  QVERIFY(control<QLineEdit>(window, "Text1")->text().isEmpty());
  QVERIFY(control<QLineEdit>(window, "Text1")->isEnabled());
  QCOMPARE(control<QLineEdit>(window, "Text1")->maxLength(), INT_MAX);
  QVERIFY(control(window, "List1")->isVisible());
  QVERIFY(control(window, "Label2")->isVisible());
  QCOMPARE(control<QAbstractItemView>(window, "List1")->model()->rowCount(), 0);
  QVERIFY(!control(window, "Command4")->isVisible());
  QCOMPARE(control<QAbstractItemView>(window, "List1")->selectionMode(), QAbstractItemView::SingleSelection);
}

void FrmMainTest::fontsAndWrapping() {
  frmMain window;
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  for (const char* name :
       {"Label1", "Text1", "Label2", "List1", "Command1", "Command2", "Command3", "Command5"})
    QCOMPARE(control(window, name)->font().pointSizeF(), 8.0);

  auto* label3 = control<QLabel>(window, "Label3");
  QCOMPARE(label3->font().pointSizeF(), 13.5);
  QCOMPARE(label3->font().weight(), QFont::Normal);
  QCOMPARE(label3->font().family(), window.font().family());
  QCOMPARE(label3->palette().color(QPalette::WindowText), QColor(255, 0, 0));
  QVERIFY(label3->wordWrap());

  // The wrapping labels' texts fit inside their rectangles.
  for (const char* name : {"Label1", "Label3"}) {
    auto* label = control<QLabel>(window, name);
    QVERIFY(label->wordWrap());
    const QRect text =
        label->fontMetrics().boundingRect(QRect(0, 0, label->width(), 1000), Qt::TextWordWrap, label->text());
    QVERIFY2(text.height() <= label->height() && text.width() <= label->width(),
             qPrintable(QString("%1: text %2x%3 in %4x%5, font %6")
                            .arg(name)
                            .arg(text.width())
                            .arg(text.height())
                            .arg(label->width())
                            .arg(label->height())
                            .arg(QFontInfo(label->font()).family())));
  }

  // Command5's caption wraps onto more than one line, all inside the button.
  auto* command5 = control<WrapButton>(window, "Command5");
  const QRect area = command5->captionArea();
  const QRect caption =
      command5->fontMetrics().boundingRect(area, Qt::AlignCenter | Qt::TextWordWrap, command5->text());
  QVERIFY2(caption.height() > command5->fontMetrics().height(), "the caption stays on one line");
  QVERIFY2(area.contains(caption), qPrintable(QString("caption %1x%2 in %3x%4")
                                                  .arg(caption.width())
                                                  .arg(caption.height())
                                                  .arg(area.width())
                                                  .arg(area.height())));
}

void FrmMainTest::startFocusAndTabOrder() {
  frmMain window;
  window.show();
  window.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&window));
  QCOMPARE(QApplication::focusWidget(), control(window, "Text1"));
  QCOMPARE(tabOrder(6), QStringList({"List1", "Command1", "Command2", "Command3", "Command5", "Text1"}));
}

void FrmMainTest::pleaseWaitLabelShowsOnlyWhileListHidden() {
  ShownWindow<frmMain> t({kThreeLetterWords});
  QVERIFY(QTest::qWaitForWindowExposed(&t.window));
  auto* list1 = control<QAbstractItemView>(t.window, "List1");
  auto* label3 = control<QLabel>(t.window, "Label3");
  const QPoint centre = label3->geometry().center();

  // The list covers the label, which stays hidden (and unpainted) beneath it.
  QVERIFY(list1->geometry().contains(label3->geometry()));
  QVERIFY(list1->isAncestorOf(t.window.childAt(centre)));
  QVERIFY(!label3->isVisible());

  // A pattern too long for any word hides the list until the next search that
  // reads a file, and the label shows.
  search(t.window, QStringLiteral("k**********************"));
  QCOMPARE(t.log.messages.size(), 1);
  QCOMPARE(t.log.messages[0].text,
           QStringLiteral("W języku polskim nie ma słów mających więcej niż 22 znaki !!!"));
  QCOMPARE(t.log.messages[0].title, QStringLiteral("Błąd"));
  QCOMPARE(t.log.messages[0].icon, QMessageBox::Warning);
  QVERIFY(!list1->isVisible());
  QVERIFY(!control(t.window, "Label2")->isVisible());
  QCOMPARE(t.window.childAt(centre), label3);

  search(t.window, QStringLiteral("k*t"));
  QVERIFY(list1->isVisible());
  QVERIFY(control(t.window, "Label2")->isVisible());
  QVERIFY(list1->isAncestorOf(t.window.childAt(centre)));
  QVERIFY(!label3->isVisible());
}

void FrmMainTest::searchListsMatchesInFileOrder() {
  ShownWindow<frmMain> t({kThreeLetterWords});

  auto* list1 = control<QAbstractItemView>(t.window, "List1");
  search(t.window, QStringLiteral("k*t"));
  QCOMPARE(listed(t.window), QStringList({"kąt", "kot", "kit", "kat"}));
  // Each search replaces the list, whatever was selected in it.
  list1->setCurrentIndex(list1->model()->index(2, 0));
  search(t.window, QStringLiteral("*ąt"));
  QCOMPARE(listed(t.window), QStringList({"kąt"}));
  search(t.window, QStringLiteral("ż*k"));
  QCOMPARE(listed(t.window), QStringList({"żak"}));
  search(t.window, QStringLiteral("***"));
  QCOMPARE(listed(t.window), QStringList({"kąt", "kot", "lot", "kit", "kod", "kat", "żak"}));
  // Exact comparison: a capital letter does not find a lower-case word.
  search(t.window, QStringLiteral("K*t"));
  QVERIFY(listed(t.window).isEmpty());

  QVERIFY(t.log.messages.isEmpty());
  QVERIFY(control(t.window, "Text1")->isEnabled());
  QVERIFY(control(t.window, "List1")->isVisible());
  QVERIFY(control(t.window, "Label2")->isVisible());
  QCOMPARE(t.window.resultModel()->rowCount(), 0);
}

void FrmMainTest::refusals_data() {
  QTest::addColumn<QString>("pattern");
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("title");
  QTest::addColumn<int>("icon");
  QTest::newRow("empty") << ""
                         << ""
                         << "" << 0;
  QTest::newRow("one character") << "k"
                                 << "Najkrótszy wyraz musi mieć minimum 2 litery !!!"
                                 << "Wypełniak" << int(QMessageBox::NoIcon);
  QTest::newRow("star alone") << "*"
                              << "Najkrótszy wyraz musi mieć minimum 2 litery !!!"
                              << "Wypełniak" << int(QMessageBox::NoIcon);
  QTest::newRow("no star") << "kot"
                           << "Podane wyrażenie musi zawierać minimum jedną gwiazdkę (*) !!!"
                           << "Błąd" << int(QMessageBox::Warning);
  QTest::newRow("star only as 23rd") << "abcdefghijklmnopqrstuv*"
                                     << "Podane wyrażenie musi zawierać minimum jedną gwiazdkę (*) !!!"
                                     << "Błąd" << int(QMessageBox::Warning);
}

void FrmMainTest::refusals() {
  QFETCH(QString, pattern);
  QFETCH(QString, text);
  QFETCH(QString, title);
  QFETCH(int, icon);
  ShownWindow<frmMain> t({kThreeLetterWords});
  search(t.window, QStringLiteral("k*t"));

  search(t.window, pattern);
  if (text.isEmpty()) {
    QVERIFY(t.log.messages.isEmpty());
  } else {
    QCOMPARE(t.log.messages.size(), 1);
    QCOMPARE(t.log.messages[0].text, text);
    QCOMPARE(t.log.messages[0].title, title);
    QCOMPARE(int(t.log.messages[0].icon), icon);
  }
  // A refused pattern leaves the list as it was.
  QCOMPARE(listed(t.window), QStringList({"kąt", "kot", "kit", "kat"}));
  QVERIFY(control(t.window, "List1")->isVisible());
  QVERIFY(control(t.window, "Text1")->isEnabled());
}

void FrmMainTest::realMessageBox() {
  frmMain window;
  window.show();
  QString title, text;
  int icon = -1;
  QMessageBox::StandardButtons buttons;
  bool modal = false;
  // The box runs its own event loop; the timer answers it from inside.
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    title = box->windowTitle();
    text = box->text();
    icon = box->icon();
    buttons = box->standardButtons();
    modal = box->isModal();
    box->button(QMessageBox::Ok)->click();
  });
  answer.start(20);
  search(window, QStringLiteral("k"));
  QCOMPARE(title, QStringLiteral("Wypełniak"));
  QCOMPARE(text, QStringLiteral("Najkrótszy wyraz musi mieć minimum 2 litery !!!"));
  QCOMPARE(icon, int(QMessageBox::NoIcon));
  QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
  QVERIFY(modal);

  search(window, QStringLiteral("kot"));
  QCOMPARE(title, QStringLiteral("Błąd"));
  QCOMPARE(icon, int(QMessageBox::Warning));
}

void FrmMainTest::missingWordListFile() {
  ShownWindow<frmMain> t({kThreeLetterWords});
  search(t.window, QStringLiteral("k*t"));

  // slow/ is there but slow.4 is not.
  search(t.window, QStringLiteral("k**a"));
  QCOMPARE(t.log.messages.size(), 1);
  QVERIFY2(t.log.messages[0].text.contains(QStringLiteral("slow.4")), qPrintable(t.log.messages[0].text));
  QCOMPARE(t.log.messages[0].title, QStringLiteral("Błąd"));
  QCOMPARE(t.log.messages[0].icon, QMessageBox::Warning);
  // The window is back as between searches, and no file was created.
  QVERIFY(listed(t.window).isEmpty());
  QVERIFY(control(t.window, "List1")->isVisible());
  QVERIFY(control(t.window, "Label2")->isVisible());
  QVERIFY(control(t.window, "Text1")->isEnabled());
  QVERIFY(!QFile::exists(wordListPath(t.folder, 4)));

  // No slow/ at all.
  QTemporaryDir empty;
  t.window.setProgramFolder(toPath(empty.path()));
  search(t.window, QStringLiteral("k*t"));
  QCOMPARE(t.log.messages.size(), 2);
  QVERIFY2(t.log.messages[1].text.contains(QStringLiteral("slow")), qPrintable(t.log.messages[1].text));
  QVERIFY(control(t.window, "List1")->isVisible());
  QVERIFY(control(t.window, "Text1")->isEnabled());
}

void FrmMainTest::enterInPatternBoxStartsNothing() {
  ShownWindow<frmMain> t({kThreeLetterWords});
  t.window.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&t.window));
  auto* text1 = control<QLineEdit>(t.window, "Text1");

  QTest::keyClicks(text1, QStringLiteral("k*t"));
  QCOMPARE(text1->text(), QStringLiteral("k*t"));
  QTest::keyClick(text1, Qt::Key_Return);
  QTest::keyClick(text1, Qt::Key_Enter);
  QVERIFY(listed(t.window).isEmpty());
  QVERIFY(t.log.messages.isEmpty());

  // A click does search, so the pattern was a good one.
  control<QPushButton>(t.window, "Command1")->click();
  QCOMPARE(listed(t.window).size(), 4);
}

void FrmMainTest::enterPressesFocusedButton() {
  ShownWindow<frmMain> t({kThreeLetterWords});
  t.window.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&t.window));
  control<QLineEdit>(t.window, "Text1")->setText(QStringLiteral("k*t"));
  auto* command1 = control<QPushButton>(t.window, "Command1");
  command1->setFocus();
  QTest::keyClick(command1, Qt::Key_Return);
  QCOMPARE(listed(t.window).size(), 4);
  QVERIFY(!command1->isDefault());

  // Enter on the add-word button opens that window (closed again at once).
  ModalCloser closer;
  auto* command5 = control<QPushButton>(t.window, "Command5");
  command5->setFocus();
  QTest::keyClick(command5, Qt::Key_Enter, Qt::KeypadModifier);
  QCOMPARE(closer.opened, 1);
}

void FrmMainTest::wholeFrameCentred() {
  // A title bar makes the frame deeper at the top: the frame, not the client
  // area, goes in the middle.
  const QRect area(0, 0, 1000, 700);
  const QMargins frame(4, 30, 4, 4);
  const QPoint at = centredFramePosition(QSize(312, 213), frame, area);
  const QRect whole(at, QSize(312, 213).grownBy(frame));
  QVERIFY(qAbs(whole.center().x() - area.center().x()) <= 1);
  QVERIFY(qAbs(whole.center().y() - area.center().y()) <= 1);
}

void FrmMainTest::clicksDuringSearchStartNothing() {
  ShownWindow<frmMain> t({kThreeLetterWords});
  control<QLineEdit>(t.window, "Text1")->setText(QStringLiteral("k*t"));

  ModalCloser closer;
  // Clicks that wait in the queue run while the search lets events in.
  QSignalSpy command1Clicks(control<QPushButton>(t.window, "Command1"), &QPushButton::clicked);
  QSignalSpy command5Clicks(control<QPushButton>(t.window, "Command5"), &QPushButton::clicked);
  for (const char* name : {"Command1", "Command2", "Command5", "Command1"})
    QMetaObject::invokeMethod(control<QPushButton>(t.window, name), "click", Qt::QueuedConnection);
  control<QPushButton>(t.window, "Command1")->click();

  QCOMPARE(command1Clicks.size(), 3);
  QCOMPARE(command5Clicks.size(), 1);
  QCOMPARE(listed(t.window), QStringList({"kąt", "kot", "kit", "kat"}));
  QVERIFY(t.log.messages.isEmpty());
  QCOMPARE(closer.opened, 0);
  QVERIFY(t.window.isVisible());

  // Outside a search the button works again.
  control<QLineEdit>(t.window, "Text1")->setText(QStringLiteral("l*t"));
  control<QPushButton>(t.window, "Command1")->click();
  QCOMPARE(listed(t.window), QStringList({"lot"}));
}

void FrmMainTest::addWordWindowFromMainWindow() {
  ShownWindow<frmMain> t({kThreeLetterWords});
  QVERIFY(QTest::qWaitForWindowExposed(&t.window));
  // The icon comes just after the first painting.
  QTRY_VERIFY(!t.window.windowIcon().isNull());

  // Works the add-word window from inside its own event loop: the first time
  // adds a word, the second time only looks and closes.
  QStringList startTexts;
  int showings = 0;
  bool sameIcon = false, sameFolder = false;
  QTimer driver;
  QObject::connect(&driver, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<frmSlownik*>(QApplication::activeModalWidget());
    if (!dialog || !dialog->isVisible()) return;
    ++showings;
    sameIcon = dialog->windowIcon().cacheKey() == t.window.windowIcon().cacheKey();
    sameFolder = dialog->programFolder() == t.window.programFolder();
    auto* text1 = dialog->findChild<QLineEdit*>(QStringLiteral("Text1"));
    startTexts << text1->text();
    if (showings == 1) {
      text1->setText(QStringLiteral("kut"));
      dialog->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
    }
    dialog->findChild<QPushButton*>(QStringLiteral("Command2"))->click();
  });
  driver.start(20);
  auto* command5 = control<QPushButton>(t.window, "Command5");
  command5->click();
  command5->click();
  driver.stop();

  QCOMPARE(showings, 2);
  QVERIFY(sameIcon);
  QVERIFY(sameFolder);
  // Each showing starts from a fresh window, discarded when it closes.
  QCOMPARE(startTexts, QStringList({"", ""}));
  QVERIFY(t.window.findChildren<frmSlownik*>().isEmpty());
  QCOMPARE(t.log.messages.size(), 1);
  QCOMPARE(t.log.messages[0].title, QStringLiteral("Dodałem wyraz"));
  // The next search finds the new word, last in file order.
  search(t.window, QStringLiteral("k*t"));
  QCOMPARE(listed(t.window), QStringList({"kąt", "kot", "kit", "kat", "kut"}));
}

void FrmMainTest::resultModelHoldsManyWords() {
  // Enough rows to fill several of the list's blocks; the views learn of them
  // in one step, every row reads back decoded, and a second, shorter round
  // after clearing shows only its own rows.
  wypelniak::ResultList list;
  ResultModel model(&list);
  QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
  for (int round = 0; round < 2; ++round) {
    const int rows = round == 0 ? 400000 : 1000;
    model.clear();
    list.Reset(8);
    for (int i = 0; i < rows; ++i) list.Append(QStringLiteral("\xbf%1").arg(i, 7, 10, QChar(u'0')).toLatin1().toStdString());
    QCOMPARE(model.rowCount(), 0);
    model.publish();
    model.publish();
    QCOMPARE(inserted.size(), round + 1);
    QCOMPARE(model.rowCount(), rows);
    for (int row = 0; row < rows; ++row) {
      if (model.word(row) != QStringLiteral("ż%1").arg(row, 7, 10, QChar(u'0')))
        QFAIL(qPrintable(QStringLiteral("row %1 differs").arg(row)));
    }
  }
}

void FrmMainTest::koniecClearsListAndEndsProgram() {
  ShownWindow<frmMain> t({kThreeLetterWords});
  QVERIFY(QTest::qWaitForWindowExposed(&t.window));
  search(t.window, QStringLiteral("k*t"));
  QCOMPARE(listed(t.window).size(), 4);
  CloseCounter closes;
  t.window.installEventFilter(&closes);

  QTimer::singleShot(0, control<QPushButton>(t.window, "Command3"), &QPushButton::click);
  QCOMPARE(runUntilProgramEnds(), 0);
  QVERIFY(listed(t.window).isEmpty());
  QVERIFY(!t.window.isVisible());
  // No close handler ran.
  QCOMPARE(closes.closes, 0);
}

void FrmMainTest::closeBoxEndsProgram() {
  frmMain window;
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QTimer::singleShot(0, &window, &QWidget::close);
  QCOMPARE(runUntilProgramEnds(), 0);
  QVERIFY(!window.isVisible());
}

void FrmMainTest::endRequestDuringSearchWaitsForIt_data() {
  QTest::addColumn<QString>("request");
  QTest::newRow("Koniec") << "Command3";
  QTest::newRow("close box") << "close";
}

void FrmMainTest::endRequestDuringSearchWaitsForIt() {
  QFETCH(QString, request);
  ShownWindow<frmMain> t({kThreeLetterWords});
  QVERIFY(QTest::qWaitForWindowExposed(&t.window));
  control<QLineEdit>(t.window, "Text1")->setText(QStringLiteral("k*t"));
  QSignalSpy published(t.window.resultModel(), &QAbstractItemModel::rowsInserted);

  QTimer::singleShot(0, [&] {
    if (request == QLatin1String("close"))
      QMetaObject::invokeMethod(&t.window, "close", Qt::QueuedConnection);
    else
      QMetaObject::invokeMethod(control<QPushButton>(t.window, "Command3"), "click", Qt::QueuedConnection);
    control<QPushButton>(t.window, "Command1")->click();
  });
  QCOMPARE(runUntilProgramEnds(), 0);
  // The search ran to its end and showed its words; only then did the program
  // clear the list and end.
  QCOMPARE(published.size(), 1);
  QCOMPARE(published[0][2].toInt(), 3);
  QVERIFY(listed(t.window).isEmpty());
  QVERIFY(!t.window.isVisible());
  QVERIFY(t.log.messages.isEmpty());
}

QTEST_MAIN(FrmMainTest)
#include "frmmain_test.moc"
