#include <QScrollBar>
#include <QSignalSpy>
#include <QStringListModel>
#include <QTest>

#include "resultlistview.h"

namespace {

constexpr int kRows = 1000;

// A shown view of kRows words, "w0" to "w999", with the first row current.
struct ShownList {
  QStringListModel model;
  ResultListView view;
  ShownList() {
    QStringList words;
    for (int i = 0; i < kRows; ++i) words << QStringLiteral("w%1").arg(i);
    model.setStringList(words);
    view.setModel(&model);
    view.setSelectionMode(QAbstractItemView::SingleSelection);
    view.setEditTriggers(QAbstractItemView::NoEditTriggers);
    view.resize(180, 120);
    view.show();
    view.setFocus();
    view.setCurrentIndex(model.index(0, 0));
  }
  // Rows a page key moves: one less than the viewport holds whole.
  int page() const { return view.viewport()->height() / view.visualRect(model.index(0, 0)).height() - 1; }
  // The current row lies whole inside the viewport.
  bool currentShown() const { return view.viewport()->rect().contains(view.visualRect(view.currentIndex())); }
};

}  // namespace

class ResultListViewTest : public QObject {
  Q_OBJECT

 private slots:
  void keysMoveSelectionAndScroll_data();
  void keysMoveSelectionAndScroll();
  void clickSelectsAndDoubleClickActivates();
  void fewerRowsShrinkScrolling();
};

void ResultListViewTest::keysMoveSelectionAndScroll_data() {
  QTest::addColumn<QList<int>>("keys");
  QTest::addColumn<int>("row");  // -1: one page down from the top
  QTest::newRow("down") << QList<int>{Qt::Key_Down, Qt::Key_Down} << 2;
  QTest::newRow("up at top") << QList<int>{Qt::Key_Up} << 0;
  QTest::newRow("end") << QList<int>{Qt::Key_End} << kRows - 1;
  QTest::newRow("end, down") << QList<int>{Qt::Key_End, Qt::Key_Down} << kRows - 1;
  QTest::newRow("end, home") << QList<int>{Qt::Key_End, Qt::Key_Home} << 0;
  QTest::newRow("end, up") << QList<int>{Qt::Key_End, Qt::Key_Up} << kRows - 2;
  QTest::newRow("page down") << QList<int>{Qt::Key_PageDown} << -1;
  QTest::newRow("end, page up") << QList<int>{Qt::Key_End, Qt::Key_PageUp} << -2;
}

void ResultListViewTest::keysMoveSelectionAndScroll() {
  QFETCH(QList<int>, keys);
  QFETCH(int, row);
  ShownList t;
  QVERIFY(QTest::qWaitForWindowExposed(&t.view));
  if (row == -1) row = t.page();
  if (row == -2) row = kRows - 1 - t.page();
  for (int key : keys) QTest::keyClick(&t.view, static_cast<Qt::Key>(key));
  QCOMPARE(t.view.currentIndex().row(), row);
  QCOMPARE(t.view.selectionModel()->selectedRows(), QModelIndexList{t.model.index(row, 0)});
  QVERIFY(t.currentShown());
  QCOMPARE(t.view.indexAt(t.view.visualRect(t.view.currentIndex()).center()), t.view.currentIndex());
}

void ResultListViewTest::clickSelectsAndDoubleClickActivates() {
  ShownList t;
  QVERIFY(QTest::qWaitForWindowExposed(&t.view));
  QSignalSpy activated(&t.view, &QAbstractItemView::activated);
  QTest::keyClick(&t.view, Qt::Key_End);
  const QModelIndex shown = t.model.index(kRows - 2, 0);
  const QPoint at = t.view.visualRect(shown).center();
  QTest::mouseClick(t.view.viewport(), Qt::LeftButton, {}, at);
  QCOMPARE(t.view.selectionModel()->selectedRows(), QModelIndexList{shown});
  QTest::mouseDClick(t.view.viewport(), Qt::LeftButton, {}, at);
  QTest::keyClick(&t.view, Qt::Key_Return);
  // Activation by double click depends on the style; Enter always activates.
  QVERIFY(!activated.isEmpty());
  QCOMPARE(activated.last().at(0).value<QModelIndex>(), shown);
  // Below the last row there is no row.
  QVERIFY(!t.view.indexAt(QPoint(5, t.view.visualRect(t.model.index(kRows - 1, 0)).bottom() + 2)).isValid());
}

void ResultListViewTest::fewerRowsShrinkScrolling() {
  ShownList t;
  QVERIFY(QTest::qWaitForWindowExposed(&t.view));
  QTest::keyClick(&t.view, Qt::Key_End);
  QVERIFY(t.view.verticalScrollBar()->maximum() > 0);
  t.model.removeRows(2, kRows - 2);
  QCoreApplication::processEvents();
  QCOMPARE(t.view.verticalScrollBar()->maximum(), 0);
  QCOMPARE(t.view.indexAt(t.view.visualRect(t.model.index(1, 0)).center()), t.model.index(1, 0));
}

QTEST_MAIN(ResultListViewTest)
#include "resultlistview_test.moc"
