#include <QComboBox>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>

#include "diagramview.h"
#include "frmdiagram.h"
#include "lexicon.h"
#include "liveview.h"
#include "messagelog.h"
#include "pdftext.h"

namespace {

// slow.2 holds the four words of one 2 × 2 square (and its mirror image);
// slow.3 "k\xB9t" is "kąt".
const WordListFile kTwoLetterWords = {2, "4\r\non\r\nja\r\noj\r\nna\r\n"};
const WordListFile kThreeLetterWords = {3, "4\r\nkot\r\nkit\r\nlot\r\nk\xB9t\r\n"};

QString rows(const frmDiagram& window) {
  return control(window, "Diagram")->property("rows").toString();
}

QStringList listed(const frmDiagram& window) {
  QStringList words;
  auto* list = control<QListWidget>(window, "Pasujace");
  for (int i = 0; i < list->count(); ++i) words << list->item(i)->text();
  return words;
}

// A shown window with the small word lists, the given grid opened (text
// form) and the word list in.
struct Opened : ShownWindow<frmDiagram> {
  explicit Opened(const QByteArray& grid) : ShownWindow({kTwoLetterWords, kThreeLetterWords}) {
    QFile file(folder.filePath(QStringLiteral("diagram.txt")));
    if (file.open(QIODevice::WriteOnly)) file.write(grid);
    file.close();
    window.askToDropChanges = [] { return true; };
    opened = window.openFile(file.fileName());
    if (!QTest::qWaitForWindowActive(&window)) qWarning("the window is not active: shortcuts may not arrive");
  }
  void waitForList() { QTRY_VERIFY(window.lexiconLoaded()); }
  QWidget* diagram() { return control(window, "Diagram"); }
  bool opened = false;
};

// Types text as key presses, Polish letters included.
void typeText(QWidget* widget, const QString& text) {
  for (const QChar c : text)
    QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

void key(QWidget* widget, Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QTest::keyClick(widget, k, modifiers);
}

}  // namespace

class FrmDiagramTest : public QObject {
  Q_OBJECT

 private slots:
  void typing_fills_cells_shown_in_capitals();
  void a_block_takes_its_symmetric_cell_and_undo_redo_round_trip();
  void fitting_words_agree_with_the_live_view_and_a_chosen_one_is_placed();
  void a_fill_is_kept_as_one_undo_step();
  void a_stopped_fill_leaves_the_grid_as_it_was();
  void clues_survive_a_save_and_open();
  void unsaved_changes_are_asked_about_before_they_go();
  void the_pdf_holds_the_clues_and_on_its_own_page_the_solution();
};

void FrmDiagramTest::typing_fills_cells_shown_in_capitals() {
  Opened t("...\n.#.\n...\n");
  QVERIFY(t.opened);
  typeText(t.diagram(), QString::fromUtf8("kątx"));  // x stays in the slot's last cell
  QCOMPARE(rows(t.window), QString::fromUtf8("KĄX\n.#.\n...\n"));
  key(t.diagram(), Qt::Key_Backspace);
  key(t.diagram(), Qt::Key_Space);  // down from the middle of the top row: no slot there
  typeText(t.diagram(), QStringLiteral("z"));
  QCOMPARE(rows(t.window), QString::fromUtf8("KZ.\n.#.\n...\n"));
  QVERIFY(t.window.windowTitle().endsWith(QStringLiteral(" *")));
}

void FrmDiagramTest::a_block_takes_its_symmetric_cell_and_undo_redo_round_trip() {
  Opened t("...\n...\n...\n");
  control<QComboBox>(t.window, "Symetria")->setCurrentIndex(1);  // point
  key(t.diagram(), Qt::Key_Period);
  QCOMPARE(rows(t.window), QStringLiteral("#..\n...\n..#\n"));
  key(t.diagram(), Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(rows(t.window), QStringLiteral("...\n...\n...\n"));
  QVERIFY(!t.window.windowTitle().endsWith(QStringLiteral(" *")));
  key(t.diagram(), Qt::Key_Y, Qt::ControlModifier);
  QCOMPARE(rows(t.window), QStringLiteral("#..\n...\n..#\n"));
  control<QComboBox>(t.window, "Symetria")->setCurrentIndex(2);  // mirror
  key(t.diagram(), Qt::Key_Down);
  key(t.diagram(), Qt::Key_Period);
  QCOMPARE(rows(t.window), QStringLiteral("#..\n#.#\n..#\n"));
}

void FrmDiagramTest::fitting_words_agree_with_the_live_view_and_a_chosen_one_is_placed() {
  Opened t("...\n###\n###\n");
  t.waitForList();
  typeText(t.diagram(), QStringLiteral("k"));
  // The engine's own view of the same grid, from its own lexicon.
  wypelniak::Lexicon lexicon(toPath(t.folder.filePath(QStringLiteral("slow"))));
  lexicon.Load();
  const wypelniak::LiveView engine(t.window.edit().GetGrid(), lexicon.Indexes());
  QStringList expected;
  for (std::uint32_t n = 0; n < engine.Count(0); ++n)
    expected << QString::fromStdString(engine.CandidateText(0, n));
  QStringList shown = listed(t.window);
  QCOMPARE(shown, expected);
  shown.sort();
  QCOMPARE(shown, (QStringList{QStringLiteral("kit"), QStringLiteral("kot"), QString::fromUtf8("kąt")}));

  auto* list = control<QListWidget>(t.window, "Pasujace");
  const QList<QListWidgetItem*> kot = list->findItems(QStringLiteral("kot"), Qt::MatchExactly);
  QCOMPARE(kot.size(), 1);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(kot[0]).center());
  QCOMPARE(rows(t.window), QStringLiteral("KOT\n###\n###\n"));
  key(t.diagram(), Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(rows(t.window), QStringLiteral("K..\n###\n###\n"));

  // A letter no word has there: the slot is dead, nothing is listed.
  key(t.diagram(), Qt::Key_Right);
  typeText(t.diagram(), QStringLiteral("x"));
  QVERIFY(t.window.liveView()->Dead(0));
  QVERIFY(t.window.liveView()->DeadCell(2));  // the x keeps it dead, the k does not
  QVERIFY(!t.window.liveView()->DeadCell(0));
  QVERIFY(listed(t.window).isEmpty());
}

void FrmDiagramTest::a_fill_is_kept_as_one_undo_step() {
  Opened t("..#\n..#\n###\n");
  t.waitForList();
  QSignalSpy ended(&t.window, &frmDiagram::fillEnded);
  control<QPushButton>(t.window, "Wypelnij")->click();
  QVERIFY(ended.wait(5000));
  const QStringList squares = {QStringLiteral("ON#\nJA#\n###\n"), QStringLiteral("OJ#\nNA#\n###\n")};
  QVERIFY2(squares.contains(rows(t.window)), qPrintable(rows(t.window)));
  key(t.diagram(), Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(rows(t.window), QStringLiteral("..#\n..#\n###\n"));
  QVERIFY(t.log.messages.isEmpty());
}

void FrmDiagramTest::a_stopped_fill_leaves_the_grid_as_it_was() {
  Opened t("..#\n..#\n###\n");
  t.waitForList();
  QSignalSpy ended(&t.window, &frmDiagram::fillEnded);
  control<QPushButton>(t.window, "Wypelnij")->click();
  QVERIFY(control<QPushButton>(t.window, "Przerwij")->isEnabled());
  control<QPushButton>(t.window, "Przerwij")->click();
  QVERIFY(ended.count() == 1 || ended.wait(5000));
  QCOMPARE(rows(t.window), QStringLiteral("..#\n..#\n###\n"));
  QVERIFY(!t.window.edit().CanUndo());
  QVERIFY(!control<QPushButton>(t.window, "Przerwij")->isEnabled());
}

void FrmDiagramTest::clues_survive_a_save_and_open() {
  Opened t("...\n.#.\n...\n");
  typeText(t.diagram(), QStringLiteral("kot"));
  auto* clues = control<QTreeWidget>(t.window, "Hasla");
  QTreeWidgetItem* first = clues->topLevelItem(0)->child(0);  // 1 across
  QCOMPARE(first->text(1), QStringLiteral("KOT"));
  first->setText(2, QString::fromUtf8("Mruczy <b>"));
  const QString path = t.folder.filePath(QStringLiteral("krzyżówka.ipuz"));
  QVERIFY(t.window.saveFile(path));
  QCOMPARE(t.window.windowTitle(), QString::fromUtf8("Wypełniak – diagram – krzyżówka.ipuz"));

  frmDiagram again;
  QVERIFY(again.openFile(path));
  QCOMPARE(rows(again), rows(t.window));
  QCOMPARE(control<QTreeWidget>(again, "Hasla")->topLevelItem(0)->child(0)->text(2),
           QString::fromUtf8("Mruczy <b>"));
  QCOMPARE(
      QString::fromStdString(wypelniak::ClueSheetText(wypelniak::MakeClueSheet(again.edit().ToPuzzle()))),
      QString::fromUtf8("Poziomo\n1. Mruczy <b>\n3.\n\nPionowo\n1.\n2.\n"));
}

// New, Open and closing ask only when there are unsaved changes; "no" keeps the
// grid (and the window) as it is.
void FrmDiagramTest::unsaved_changes_are_asked_about_before_they_go() {
  const QKeySequence kNew(QKeySequence::New), kOpen(QKeySequence::Open);
  for (const bool changed : {false, true}) {
    for (const QString& step : {QStringLiteral("new"), QStringLiteral("open"), QStringLiteral("close")}) {
      const QString name = step + (changed ? QStringLiteral(" with changes") : QStringLiteral(" unchanged"));
      Opened t("...\n.#.\n...\n");
      int asked = 0;
      t.window.askToDropChanges = [&asked] { return ++asked, false; };
      if (changed) typeText(t.diagram(), QStringLiteral("k"));
      const QString before = rows(t.window);
      // Going on opens the new-grid or file dialog: it is closed unanswered.
      if (!changed && step != QStringLiteral("close")) {
        QTimer::singleShot(300, [] {
          if (QWidget* dialog = QApplication::activeModalWidget()) dialog->close();
        });
      }
      if (step == QStringLiteral("close")) {
        t.window.close();
      } else {
        QTest::keySequence(t.diagram(), step == QStringLiteral("new") ? kNew : kOpen);
      }
      QVERIFY2(asked == (changed ? 1 : 0), qPrintable(name));
      QVERIFY2(rows(t.window) == before, qPrintable(name));
      if (step == QStringLiteral("close")) QVERIFY2(t.window.isVisible() == changed, qPrintable(name));
    }
  }
}

void FrmDiagramTest::the_pdf_holds_the_clues_and_on_its_own_page_the_solution() {
  Opened t("kąt\n.#.\n...\n");
  QVERIFY(t.opened);
  auto* clues = control<QTreeWidget>(t.window, "Hasla");
  clues->topLevelItem(0)->child(0)->setText(2, QString::fromUtf8("Róg pokoju"));
  clues->topLevelItem(1)->child(0)->setText(2, QString::fromUtf8("Źrebię – młody koń"));
  const QString path = t.folder.filePath(QString::fromUtf8("krzyżówka.pdf"));
  QVERIFY(t.window.exportPdf(path));
  QFile file(path);
  QVERIFY(file.open(QIODevice::ReadOnly));
  QVERIFY(file.read(5) == "%PDF-");
  QVERIFY(!t.window.exportPdf(t.folder.filePath(QStringLiteral("brak/krzyżówka.pdf"))));
  QCOMPARE(t.log.messages.size(), 1);
  QVERIFY(t.log.messages[0].text.contains(QStringLiteral("brak/krzyżówka.pdf")));

  if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
    QSKIP("pdftotext (poppler-utils) is not installed");
  const QString puzzle = pdfPageText(path, 1);
  for (const char* expected : {"Poziomo", "Pionowo", "1. Róg pokoju", "1. Źrebię – młody koń"})
    QVERIFY2(puzzle.contains(QString::fromUtf8(expected)), qPrintable(puzzle));
  QVERIFY2(!puzzle.contains(QString::fromUtf8("Ą")), qPrintable(puzzle));  // the grid is empty there
  QString solution = pdfPageText(path, 2);
  solution.remove(QRegularExpression(QStringLiteral("\\s")));
  QVERIFY2(solution.contains(QString::fromUtf8("KĄT")), qPrintable(solution));
}

QTEST_MAIN(FrmDiagramTest)
#include "frmdiagram_test.moc"
