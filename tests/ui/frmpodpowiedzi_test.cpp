#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QAbstractItemView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "common.h"
#include "frmmain.h"
#include "frmpodpowiedzi.h"
#include "messagelog.h"

namespace {

// A small thesaurus in UTF-8 (the reader takes the encoding its first line
// names): index and data.
const QByteArray kData =
    "UTF-8\n"
    "kot|1\n"
    "-|kot|kotowaty (specjalist.)|kocur (pojęcie podrzędne)|ssak (pojęcie nadrzędne)\n"
    "<b>kit</b>|1\n"
    "(rzeczownik)|<i>szpachla</i>\n";

void writeFile(const QString& path, const QByteArray& bytes) {
  QVERIFY(QDir().mkpath(QFileInfo(path).path()));
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(bytes);
}

// Writes the thesaurus into the program folder's tezaurus/; an index given
// replaces the sound one.
void writeThesaurus(const QTemporaryDir& folder, QByteArray index = {}) {
  if (index.isEmpty()) index = "UTF-8\n2\nkot|6\n<b>kit</b>|96\n";
  writeFile(folder.filePath(QStringLiteral("tezaurus/th_pl_PL_v2.idx")), index);
  writeFile(folder.filePath(QStringLiteral("tezaurus/th_pl_PL_v2.dat")), kData);
}

}  // namespace

class FrmPodpowiedziTest : public QObject {
  Q_OBJECT

 private slots:
  void showsHintsOrSaysWhyNot_data();
  void showsHintsOrSaysWhyNot();
  void windowLikeTheOthersAndEscCloses();
  void opensFromTheResultList();
};

void FrmPodpowiedziTest::showsHintsOrSaysWhyNot_data() {
  QTest::addColumn<QString>("word");
  QTest::addColumn<QByteArray>("index");  // "" for the sound one, "-" for none
  QTest::addColumn<QStringList>("shown");
  QTest::addColumn<QStringList>("notShown");
  QTest::newRow("found") << "kot" << QByteArray()
                         << QStringList{"kot, 1. znaczenie\n", "Synonimy: kotowaty (specjalist.)",
                                        "Pojęcia szersze: ssak", "Pojęcia węższe: kocur", "LGPL"}
                         << QStringList{};
  QTest::newRow("markup shown as text")
      << "<b>kit</b>" << QByteArray()
      << QStringList{"<b>kit</b>, 1. znaczenie (rzeczownik)", "Synonimy: <i>szpachla</i>"} << QStringList{};
  // The window cannot tell which list the word came from: it advises no
  // other list (most words of the base-form list have no entry either).
  QTest::newRow("no entry") << "kotami" << QByteArray()
                            << QStringList{"Tezaurus nie ma hasła „kotami”", "formy podstawowe"}
                            << QStringList{"--hunspell", "Lista form podstawowych"};
  QTest::newRow("no thesaurus") << "kot" << QByteArray("-")
                                << QStringList{"Podpowiedzi są niedostępne", "th_pl_PL_v2.idx", "mythes-pl"}
                                << QStringList{};
  QTest::newRow("damaged index") << "kot" << QByteArray("UTF-8\n2\nkot|99999\n")
                                 << QStringList{"uszkodzony", "th_pl_PL_v2.idx", "mythes-pl"}
                                 << QStringList{};
}

void FrmPodpowiedziTest::showsHintsOrSaysWhyNot() {
  QFETCH(QString, word);
  QFETCH(QByteArray, index);
  QFETCH(QStringList, shown);
  QFETCH(QStringList, notShown);
  QTemporaryDir folder;
  if (index != "-") writeThesaurus(folder, index);
  frmPodpowiedzi hints(word, toPath(folder.path()));
  QCOMPARE(hints.windowTitle(), QStringLiteral("Podpowiedzi: ") + word);
  for (const QString& part : shown) QVERIFY2(hints.hintText().contains(part), qPrintable(hints.hintText()));
  for (const QString& part : notShown)
    QVERIFY2(!hints.hintText().contains(part), qPrintable(hints.hintText()));
  const QList<QLabel*> labels = hints.findChildren<QLabel*>();
  QVERIFY(!labels.isEmpty());
  for (const QLabel* label : labels) QCOMPARE(label->textFormat(), Qt::PlainText);
}

void FrmPodpowiedziTest::windowLikeTheOthersAndEscCloses() {
  QTemporaryDir folder;
  writeThesaurus(folder);
  frmPodpowiedzi hints(QStringLiteral("kot"), toPath(folder.path()));
  QVERIFY(!hints.windowIcon().isNull());
  QCOMPARE(hints.minimumSize(), hints.maximumSize());
  QCOMPARE(hints.font().family(), defaultFont().family());
  hints.show();
  QVERIFY(QTest::qWaitForWindowExposed(&hints));
  QTest::keyClick(&hints, Qt::Key_Escape);
  QVERIFY(!hints.isVisible());
}

void FrmPodpowiedziTest::opensFromTheResultList() {
  ShownWindow<frmMain> t({{3, "3\r\nkot\r\nkit\r\nkat\r\n"}});
  writeThesaurus(t.folder);
  QVERIFY(QTest::qWaitForWindowExposed(&t.window));
  control<QLineEdit>(t.window, "Text1")->setText(QStringLiteral("k*t"));
  control<QPushButton>(t.window, "Command1")->click();
  auto* list = control<QAbstractItemView>(t.window, "List1");
  QCOMPARE(list->model()->rowCount(), 3);

  // Each opening is recorded by its caption and its window closed again.
  QStringList opened;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (auto* hints = qobject_cast<frmPodpowiedzi*>(QApplication::activeModalWidget())) {
      opened << hints->windowTitle();
      hints->reject();
    }
  });
  closer.start(10);

  const QModelIndex kot = list->model()->index(0, 0), kat = list->model()->index(2, 0);
  // A real double-click starts with a click; the press of QTest's double
  // click alone does not reach the view.
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(kot).center());
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(kot).center());
  QCOMPARE(opened, QStringList{"Podpowiedzi: kot"});

  list->setFocus();
  list->setCurrentIndex(kat);
  QTest::keyClick(list, Qt::Key_Return);
  QCOMPARE(opened, (QStringList{"Podpowiedzi: kot", "Podpowiedzi: kat"}));

  // Enter on a row that is not selected opens nothing.
  list->clearSelection();
  QTest::keyClick(list, Qt::Key_Return);
  QCOMPARE(opened.size(), 2);
  QVERIFY(t.log.messages.isEmpty());
}

QTEST_MAIN(FrmPodpowiedziTest)
#include "frmpodpowiedzi_test.moc"
