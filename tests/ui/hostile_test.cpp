// Word-list files and typed text that a user may bring, met through the
// windows: each case names the message the user sees, and no file changes
// unless a word was really added. Each case prints how long it took.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "frmmain.h"
#include "frmslownik.h"
#include "messagelog.h"
#include "resultmodel.h"

namespace {

// What slow/ holds before the operation.
enum class Setup { NoFolder, NoFile, FolderInPlace, File };

struct FileCase {
  const char* name;
  Setup setup;
  QByteArray bytes;          // slow.3, when Setup::File
  QString searchMessage;     // a part of what "k*t" shows
  QStringList searchResults;
  QString addMessage;        // a part of what adding "kuk" shows
  QByteArray afterAdd;       // slow.3 after adding "kuk"; empty: unchanged
};

const QString kAdded = QStringLiteral("Wyraz (kuk) został dodany do słownika");

const QList<FileCase>& fileCases() {
  static const QList<FileCase> cases = {
      {"no slow folder", Setup::NoFolder, {}, "Nie znaleziono folderu słownika", {},
       "Nie znaleziono folderu słownika", {}},
      {"slow.N missing", Setup::NoFile, {}, "slow.3: plik nie istnieje.", {}, "slow.3: plik nie istnieje.", {}},
      {"slow.N is a folder", Setup::FolderInPlace, {}, "slow.3: to jest folder, a nie plik.", {},
       "slow.3: to jest folder, a nie plik.", {}},
      {"empty file", Setup::File, "", "jest uszkodzony: plik jest pusty.", {},
       "jest uszkodzony: pierwszy wiersz nie zawiera liczby wyrazów.", {}},
      {"count abc", Setup::File, "abc\r\nkot\r\n", "nie zawiera liczby wyrazów, lecz „abc”.", {},
       "nie zawiera liczby wyrazów, lecz „abc”.", {}},
      {"count -5", Setup::File, "-5\r\nkot\r\n", "w pierwszym wierszu jest ujemna (-5).", {},
       "w pierwszym wierszu jest ujemna (-5).", {}},
      {"count 2147483648", Setup::File, "2147483648\r\nkot\r\n", "jest za duża (2147483648).", {},
       "jest za duża (2147483648).", {}},
      {"count 1000000000 over 3 words", Setup::File, "1000000000\r\nkot\r\nkit\r\nkat\r\n",
       "w pierwszym wierszu (1000000000) jest większa niż liczba wyrazów w pliku (3)", {"kot", "kit", "kat"}, kAdded,
       "4\r\nkot\r\nkit\r\nkat\r\nkuk\r\n"},
      {"count 3.6 over 3 words", Setup::File, "3.6\r\nkot\r\nkit\r\nkat\r\n",
       "w pierwszym wierszu (4) jest większa niż liczba wyrazów w pliku (3)", {"kot", "kit", "kat"}, kAdded,
       "4\r\nkot\r\nkit\r\nkat\r\nkuk\r\n"},
      {"NUL bytes inside words", Setup::File, QByteArray("3\r\nk\0t\r\nkot\r\n\0\0\0\r\n", 18),
       "pominięto pasujące wyrazy zawierające znaki sterujące (1).", {"kot"}, kAdded,
       QByteArray("4\r\nk\0t\r\nkot\r\n\0\0\0\r\nkuk\r\n", 23)},
      {"LF line ends only", Setup::File, "2\nkot\nkit\n", "wiersze kończą się samym znakiem LF", {},
       "wiersze kończą się samym znakiem LF", {}},
      {"UTF-8 file", Setup::File, "2\r\nk\xC4\x85t\r\nkot\r\n", "jest zapisany w kodowaniu UTF-8", {},
       "jest zapisany w kodowaniu UTF-8", {}},
      {"1 MB single line", Setup::File, QByteArray(1 << 20, 'a'),
       "nie zawiera liczby wyrazów, lecz „" + QString(40, 'a') + "…”.", {},
       "nie zawiera liczby wyrazów, lecz „" + QString(40, 'a') + "…”.", {}},
  };
  return cases;
}

QString listPath(const QTemporaryDir& folder, int n) {
  return folder.filePath(QStringLiteral("slow/slow.%1").arg(n));
}

void prepare(const QTemporaryDir& folder, Setup setup, int n, const QByteArray& bytes) {
  if (setup == Setup::NoFolder) return;
  QVERIFY(QDir(folder.path()).mkpath("slow"));
  if (setup == Setup::FolderInPlace) QVERIFY(QDir().mkpath(listPath(folder, n)));
  if (setup != Setup::File) return;
  QFile file(listPath(folder, n));
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

// Every file and folder under a folder with its bytes, but for the addition's
// lock file, which stays once made.
QMap<QString, QByteArray> snapshot(const QString& folder) {
  QMap<QString, QByteArray> files;
  const auto entries = QDir(folder).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
  for (const QFileInfo& info : entries) {
    if (info.fileName() == ".lock") continue;
    if (info.isDir()) {
      files.insert(info.fileName() + "/", {});
      const auto inner = snapshot(info.filePath());
      for (auto it = inner.begin(); it != inner.end(); ++it) files.insert(info.fileName() + "/" + it.key(), *it);
    } else {
      QFile file(info.filePath());
      // A file that cannot be read shows as such, and differs from any bytes.
      files.insert(info.fileName(), file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)"));
    }
  }
  return files;
}

QStringList listed(const frmMain& window) {
  QStringList words;
  const ResultModel* model = window.resultModel();
  for (int row = 0; row < model->rowCount(); ++row) words << model->index(row).data().toString();
  return words;
}

// Types into the main window's pattern box and presses "Szukaj".
void search(frmMain& window, const QString& pattern) {
  window.findChild<QLineEdit*>("Text1")->setText(pattern);
  QTest::mouseClick(window.findChild<QPushButton*>("Command1"), Qt::LeftButton);
}

// Types into the add-word window's word box and presses "Dodaj".
void add(frmSlownik& window, const QString& word) {
  window.findChild<QLineEdit*>("Text1")->setText(word);
  QTest::mouseClick(window.findChild<QPushButton*>("Command1"), Qt::LeftButton);
}

}  // namespace

class HostileTest : public QObject {
  Q_OBJECT

 private slots:
  void searchFiles_data();
  void searchFiles();
  void addFiles_data() { searchFiles_data(); }
  void addFiles();
  void searchPatterns();
  void addWords();
};

void HostileTest::searchFiles_data() {
  QTest::addColumn<int>("index");
  for (int i = 0; i < fileCases().size(); ++i) QTest::newRow(fileCases()[i].name) << i;
}

void HostileTest::searchFiles() {
  QFETCH(int, index);
  const FileCase& c = fileCases()[index];
  QTemporaryDir folder;
  prepare(folder, c.setup, 3, c.bytes);
  const auto before = snapshot(folder.path());

  MessageLog log;
  frmMain window;
  window.setProgramFolder(toPath(folder.path()));
  QElapsedTimer timer;
  timer.start();
  search(window, "k*t");
  qInfo("%s: %lld ms", c.name, static_cast<long long>(timer.elapsed()));

  QCOMPARE(log.messages.size(), 1);
  qInfo("%s", qPrintable(log.messages[0].text));
  QVERIFY2(log.messages[0].text.contains(c.searchMessage), qPrintable(log.messages[0].text));
  QCOMPARE(log.messages[0].title, QStringLiteral("Błąd"));
  QCOMPARE(log.messages[0].icon, QMessageBox::Warning);
  QCOMPARE(listed(window), c.searchResults);
  // The window is back as between searches.
  QVERIFY(!window.findChild<QWidget*>("List1")->isHidden());
  QVERIFY(window.findChild<QLineEdit*>("Text1")->isEnabled());
  QCOMPARE(snapshot(folder.path()), before);
}

void HostileTest::addFiles() {
  QFETCH(int, index);
  const FileCase& c = fileCases()[index];
  QTemporaryDir folder;
  prepare(folder, c.setup, 3, c.bytes);
  auto expected = snapshot(folder.path());
  if (!c.afterAdd.isEmpty()) expected["slow/slow.3"] = c.afterAdd;

  frmSlownik window;
  MessageLog log;
  window.setProgramFolder(toPath(folder.path()));
  QElapsedTimer timer;
  timer.start();
  add(window, "kuk");
  qInfo("%s: %lld ms", c.name, static_cast<long long>(timer.elapsed()));

  QCOMPARE(log.messages.size(), 1);
  qInfo("%s", qPrintable(log.messages[0].text));
  QVERIFY2(log.messages[0].text.contains(c.addMessage), qPrintable(log.messages[0].text));
  QCOMPARE(log.messages[0].title, c.afterAdd.isEmpty() ? QStringLiteral("Błąd") : QStringLiteral("Dodałem wyraz"));
  QCOMPARE(snapshot(folder.path()), expected);  // no ~slow.3 either way
}

void HostileTest::searchPatterns() {
  QTemporaryDir folder;
  prepare(folder, Setup::File, 22, "2\r\n" + QByteArray(22, 'x') + "\r\n" + QByteArray(22, 'y') + "\r\n");
  const auto before = snapshot(folder.path());
  MessageLog log;
  frmMain window;
  window.setProgramFolder(toPath(folder.path()));

  QElapsedTimer timer;
  timer.start();
  search(window, "*" + QString(99999, 'a'));
  search(window, QString(100000, 'a'));
  qInfo("two patterns of 100000 characters: %lld ms", static_cast<long long>(timer.elapsed()));
  QCOMPARE(log.messages.size(), 2);
  QCOMPARE(log.messages[0].text, QStringLiteral("W języku polskim nie ma słów mających więcej niż 22 znaki !!!"));
  QCOMPARE(log.messages[1].text, QStringLiteral("Podane wyrażenie musi zawierać minimum jedną gwiazdkę (*) !!!"));

  search(window, QString(22, '*'));
  QCOMPARE(log.messages.size(), 2);
  QCOMPARE(listed(window), QStringList({QString(22, 'x'), QString(22, 'y')}));
  QCOMPARE(snapshot(folder.path()), before);
}

void HostileTest::addWords() {
  QTemporaryDir folder;
  prepare(folder, Setup::File, 5, "1\r\nkotek\r\n");
  prepare(folder, Setup::File, 3, "1\r\nkot\r\n");
  const auto before = snapshot(folder.path());
  frmSlownik window;
  MessageLog log;
  window.setProgramFolder(toPath(folder.path()));

  struct WordCase {
    QString word;
    QString message;
  };
  const QString control = QStringLiteral("zawiera znak sterujący");
  const WordCase cases[] = {
      {QString(10000, 'a'), "Nie można dodawać do słownika wyrazów dłuższych niż te, które mają 22 znaki"},
      {"ko\nta", control},
      {"ko\r\nt", control},
      {"ko\tta", control},
      {QStringLiteral("k😀t"), QStringLiteral("zawiera znak „😀”, którego nie można zapisać")},
  };
  for (const WordCase& c : cases) {
    log.messages.clear();
    add(window, c.word);
    QCOMPARE(log.messages.size(), 1);
    qInfo("%s", qPrintable(log.messages[0].text));
    QVERIFY2(log.messages[0].text.contains(c.message), qPrintable(log.messages[0].text));
    QCOMPARE(log.messages[0].title, QStringLiteral("Błąd"));
    // The text stays, selected in full, for the user to type over.
    QCOMPARE(window.findChild<QLineEdit*>("Text1")->selectedText(), c.word);
  }
  QCOMPARE(snapshot(folder.path()), before);
}

QTEST_MAIN(HostileTest)
#include "hostile_test.moc"
