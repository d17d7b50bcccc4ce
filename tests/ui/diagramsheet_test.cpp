// The grid window's printed pages (printer and print preview) and the clue
// hints beside its clue list.
#include <QAction>
#include <QListWidget>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStyledItemDelegate>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "cluehints.h"
#include "frmdiagram.h"
#include "messagelog.h"
#include "pdftext.h"
#include "puzzleprint.h"
#include "puzzleprinting.h"

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
  QVERIFY(QDir().mkpath(QFileInfo(path).path()));
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(bytes);
}

// A thesaurus in UTF-8 of two entries, "kit" first, then "kot".
void writeThesaurus(const QTemporaryDir& folder, const QByteArray& data) {
  writeFile(folder.filePath(QStringLiteral("tezaurus/th_pl_PL_v2.dat")), data);
  writeFile(folder.filePath(QStringLiteral("tezaurus/th_pl_PL_v2.idx")),
            "UTF-8\n2\nkit|6\nkot|" + QByteArray::number(data.indexOf("kot|")) + "\n");
}

// A shown window with the grid given in the text form opened (and the
// thesaurus given, if any, beside it).
struct Opened : ShownWindow<frmDiagram> {
  explicit Opened(const QByteArray& grid, const QByteArray& thesaurus = {}) {
    if (!thesaurus.isEmpty()) writeThesaurus(folder, thesaurus);
    writeFile(folder.filePath(QStringLiteral("diagram.txt")), grid);
    window.askToDropChanges = [] { return true; };
    opened = window.openFile(folder.filePath(QStringLiteral("diagram.txt")));
    if (!QTest::qWaitForWindowActive(&window)) qWarning("the window is not active: shortcuts may not arrive");
  }
  bool opened = false;
};

QAction* menuAction(const QWidget& window, const QString& text) {
  for (QAction* action : window.findChildren<QAction*>())
    if (action->text() == text) return action;
  qFatal("no menu item %s", qPrintable(text));
}

// The row of the hint list showing text (indent left out), or null.
QListWidgetItem* hintRow(const frmDiagram& window, const QString& text) {
  auto* list = control<QListWidget>(window, "Podpowiedzi");
  for (int i = 0; i < list->count(); ++i)
    if (list->item(i)->text().trimmed() == text) return list->item(i);
  return nullptr;
}

// Counts how often the list measures a row's cell.
class MeasuringDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    ++measured;
    return QStyledItemDelegate::sizeHint(option, index);
  }
  mutable int measured = 0;
};

}  // namespace

class DiagramSheetTest : public QObject {
  Q_OBJECT

 private slots:
  void the_printer_gets_the_pages_of_the_pdf_export();
  void print_and_preview_open_their_dialogs_with_both_pages();
  void a_clicked_hint_becomes_the_slots_clue_and_undo_takes_it_back();
  void the_clue_list_changes_only_its_changed_rows_and_follows_new_slots();
};

void DiagramSheetTest::the_printer_gets_the_pages_of_the_pdf_export() {
  if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
    QSKIP("pdftotext (poppler-utils) is not installed");
  Opened t("kąt\n.#.\n...\n");
  QVERIFY(t.opened);
  auto* clues = control<QTreeWidget>(t.window, "Hasla");
  clues->topLevelItem(0)->child(0)->setText(2, QString::fromUtf8("Róg pokoju"));
  clues->topLevelItem(1)->child(0)->setText(2, QString::fromUtf8("Źrebię – młody koń"));
  const QString exported = t.folder.filePath(QStringLiteral("eksport.pdf"));
  QVERIFY(t.window.exportPdf(exported));

  // The pages painted on a printer set up for the puzzle (here one writing PDF).
  const QString printed = t.folder.filePath(QStringLiteral("wydruk.pdf"));
  {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(printed);
    setPuzzlePage(printer);
    paintPuzzle(printer, t.window.edit().ToPuzzle());
  }
  QVERIFY(pdfPageText(printed, 1).contains(QString::fromUtf8("1. Źrebię – młody koń")));
  QVERIFY(pdfPageText(printed, 2).contains(QString::fromUtf8("Rozwiązanie")));
  for (int page = 1; page <= 3; ++page) QCOMPARE(pdfPageText(printed, page), pdfPageText(exported, page));

  // Printing to a file writes the export's pages; a folder that is not there is said, naming the file.
  for (const QString& name : {QStringLiteral("do-pliku.pdf"), QStringLiteral("brak/do-pliku.pdf")}) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(t.folder.filePath(name));
    QCOMPARE(printPuzzle(printer, t.window.edit().ToPuzzle(), &t.window), !name.startsWith(QStringLiteral("brak")));
  }
  QCOMPARE(pdfPageText(t.folder.filePath(QStringLiteral("do-pliku.pdf")), 2), pdfPageText(exported, 2));
  QCOMPARE(t.log.messages.size(), 1);
  QVERIFY2(t.log.messages[0].text.contains(QStringLiteral("brak/do-pliku.pdf")),
           qPrintable(t.log.messages[0].text));
}

// Ctrl+P opens the printer dialog, the menu item the preview, which shows the
// puzzle's two pages; both are closed unanswered.
void DiagramSheetTest::print_and_preview_open_their_dialogs_with_both_pages() {
  Opened t("kąt\n.#.\n...\n");
  QString seen;
  int pages = 0;
  const auto closeDialog = [&] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (!dialog) return;
    seen = QString::fromLatin1(dialog->metaObject()->className());
    if (auto* preview = dialog->findChild<QPrintPreviewWidget*>()) pages = preview->pageCount();
    dialog->close();
  };
  QTimer::singleShot(300, closeDialog);
  QTest::keySequence(&t.window, QKeySequence::Print);
  QCOMPARE(seen, QStringLiteral("QPrintDialog"));

  QTimer::singleShot(300, closeDialog);
  menuAction(t.window, QString::fromUtf8("Podgląd &wydruku…"))->trigger();
  QCOMPARE(seen, QStringLiteral("QPrintPreviewDialog"));
  QCOMPARE(pages, 2);
}

void DiagramSheetTest::a_clicked_hint_becomes_the_slots_clue_and_undo_takes_it_back() {
  const QByteArray data =
      "UTF-8\n"
      "kit|1\n"
      "-|kit|szpachla <b>\n"
      "kot|1\n"
      "-|kot|kocur (pojęcie podrzędne)|ssak (pojęcie nadrzędne)\n";
  Opened t("kot\n.#.\nkit\n", data);
  // The cursor opens on 1 across, whose word is complete: its hints are shown.
  QVERIFY(t.opened);
  QVERIFY(hintRow(t.window, QStringLiteral("kocur")));

  // 3 across chosen in the clue list: its hints; a click makes one the clue.
  auto* clues = control<QTreeWidget>(t.window, "Hasla");
  QTreeWidgetItem* kit = clues->topLevelItem(0)->child(1);
  QCOMPARE(kit->text(1), QStringLiteral("KIT"));
  clues->setCurrentItem(kit);
  QVERIFY(!hintRow(t.window, QStringLiteral("kocur")));
  QListWidgetItem* term = hintRow(t.window, QStringLiteral("szpachla <b>"));
  QVERIFY(term);
  auto* list = control<QListWidget>(t.window, "Podpowiedzi");
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(term).center());
  const int slot = kit->data(0, kClueSlotRole).toInt();
  QCOMPARE(QString::fromStdString(t.window.edit().ClueOf(slot)), QStringLiteral("szpachla <b>"));
  QCOMPARE(clues->topLevelItem(0)->child(1)->text(2), QStringLiteral("szpachla <b>"));
  QTest::keyClick(control(t.window, "Diagram"), Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(QString::fromStdString(t.window.edit().ClueOf(slot)), QString());
}

// A letter changes the word of two rows and no other row, and a change of
// every row has the list measure its rows about once, not once a row; a block
// that leaves as many slots but one more across and one fewer down gives rows
// to match.
void DiagramSheetTest::the_clue_list_changes_only_its_changed_rows_and_follows_new_slots() {
  Opened t("....#\n.....\n#..#.\n..#.#\n.#...\n");
  auto* clues = control<QTreeWidget>(t.window, "Hasla");
  QWidget* diagram = control(t.window, "Diagram");
  auto* delegate = new MeasuringDelegate(clues);
  clues->setItemDelegate(delegate);
  QSignalSpy changed(clues->model(), &QAbstractItemModel::dataChanged);
  QTest::sendKeyEvent(QTest::Click, diagram, Qt::Key_unknown, QStringLiteral("k"), Qt::NoModifier);
  QCOMPARE(changed.count(), 2);
  QApplication::processEvents();
  delegate->measured = 0;
  writeFile(t.folder.filePath(QStringLiteral("litery.txt")), "kkkk#\nkkkkk\n#kk#k\nkk#k#\nk#kkk\n");
  QVERIFY(t.window.openFile(t.folder.filePath(QStringLiteral("litery.txt"))));
  QApplication::processEvents();
  QVERIFY2(delegate->measured < 10 * 12, qPrintable(QString::number(delegate->measured)));  // 12 slots

  for (Qt::Key k : {Qt::Key_Down, Qt::Key_Right, Qt::Key_Right}) QTest::keyClick(diagram, k);
  QTest::keyClick(diagram, Qt::Key_Period);  // (1, 2): 5 across and 7 down become 6 and 6
  QCOMPARE(clues->topLevelItem(0)->childCount(), 6);
  QCOMPARE(clues->topLevelItem(1)->childCount(), 6);
  for (int top = 0; top < 2; ++top) {
    for (int row = 0; row < 6; ++row) {
      QTreeWidgetItem* item = clues->topLevelItem(top)->child(row);
      const wypelniak::Slot& slot = t.window.edit().Slots()[item->data(0, kClueSlotRole).toUInt()];
      QCOMPARE(item->text(0), QString::number(slot.number));
      QCOMPARE(slot.direction == wypelniak::Direction::Across, top == 0);
    }
  }
}

QTEST_MAIN(DiagramSheetTest)
#include "diagramsheet_test.moc"
