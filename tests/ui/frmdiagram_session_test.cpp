#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include <functional>

#include "diagramsession.h"
#include "frmdiagram.h"
#include "messagelog.h"
#include "session.h"

namespace {

const WordListFile kWords = {3, "2\r\nkot\r\nkit\r\n"};

QString rows(const frmDiagram& window) {
  return control(window, "Diagram")->property("rows").toString();
}

std::filesystem::path slowFolder(const QTemporaryDir& folder) {
  return toPath(folder.filePath(QStringLiteral("slow")));
}

// Does to every modal window that opens while it lives what answer says,
// keeping the text of every message box that opened.
struct ModalAnswer {
  explicit ModalAnswer(std::function<void(QWidget*)> answer) {
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [this, answer] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal) return;
      if (auto* box = qobject_cast<QMessageBox*>(modal)) texts << box->text();
      answer(modal);
    });
    timer.start();
  }
  // Clicks the message box button of that text.
  static ModalAnswer button(const QString& text) {
    return ModalAnswer([text](QWidget* modal) {
      for (QAbstractButton* b : modal->findChildren<QAbstractButton*>())
        if (b->text() == text) return b->click();
    });
  }
  QTimer timer;
  QStringList texts;
};

// A window with a grid typed in and saved as krzyżówka.ipuz.
struct Saved : ShownWindow<frmDiagram> {
  Saved() : ShownWindow({kWords}) {
    window.askToDropChanges = [] { return true; };
    path = folder.filePath(QString::fromUtf8("krzyżówka.ipuz"));
    QTest::keyClicks(control(window, "Diagram"), QStringLiteral("ko"));
    saved = window.saveFile(path);
  }
  QString path;
  bool saved = false;
};

QStringList recentListed(frmDiagram& window) {
  auto* menu = window.findChild<QMenu*>(QStringLiteral("OstatnioOtwierane"));
  emit menu->aboutToShow();
  QStringList paths;
  for (QAction* action : menu->actions())
    if (action->data().isValid()) paths << action->data().toString();
  return paths;
}

}  // namespace

class FrmDiagramSessionTest : public QObject {
  Q_OBJECT

 private slots:
  void settings_chosen_in_the_dialog_are_read_by_the_next_window();
  void recent_files_are_listed_and_a_vanished_one_is_dropped();
  void a_recovery_copy_is_kept_and_offered_to_the_next_window();
  void a_file_changed_on_disk_is_asked_about_before_save();
};

void FrmDiagramSessionTest::settings_chosen_in_the_dialog_are_read_by_the_next_window() {
  ShownWindow<frmDiagram> t({kWords});
  const QString scoreFile = t.folder.filePath(QString::fromUtf8("oceny – źródło.txt"));
  ModalAnswer dialog([&](QWidget* modal) {
    if (modal->objectName() != QStringLiteral("UstawieniaDiagramu")) return;
    control<QCheckBox>(*modal, "WyrazyZHaslami")->setChecked(false);
    control<QLineEdit>(*modal, "PlikOcen")->setText(scoreFile);
    control<QSpinBox>(*modal, "NajnizszaOcena")->setValue(35);
    modal->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
  });
  t.window.findChild<QAction*>(QStringLiteral("UstawieniaWypelniania"))->trigger();

  frmDiagram next;
  next.setProgramFolder(toPath(t.folder.path()));
  const wypelniak::SessionSettings& s = next.session()->settings();
  QCOMPARE(s.preferClueable, false);
  QCOMPARE(QString::fromStdString(s.scoreFile), scoreFile);
  QCOMPARE(s.minScore, 35);
  // The score file that is not there is said once the list is in.
  QTRY_VERIFY(t.window.lexiconLoaded());
  QVERIFY(t.window.statusBar()->findChild<QLabel*>(QStringLiteral("Stan"))->text().contains(scoreFile));

  // A damaged file: the defaults, and a message naming it once the window is shown.
  QFile damaged(t.folder.filePath(QStringLiteral("slow/diagram-ustawienia.txt")));
  QVERIFY(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
  damaged.write("najnizsza-ocena=dużo\n");
  damaged.close();
  frmDiagram third;
  MessageLog log(&third);
  third.setProgramFolder(toPath(t.folder.path()));
  QCOMPARE(third.session()->settings(), wypelniak::SessionSettings{});
  third.show();
  QTRY_COMPARE(log.messages.size(), 1);
  QVERIFY2(log.messages[0].text.contains(damaged.fileName()), qPrintable(log.messages[0].text));
}

void FrmDiagramSessionTest::recent_files_are_listed_and_a_vanished_one_is_dropped() {
  Saved t;
  QVERIFY(t.saved);
  const QString other = t.folder.filePath(QStringLiteral("drugi.txt"));
  QFile file(other);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write("...\n");
  file.close();
  QVERIFY(t.window.openFile(other));
  QCOMPARE(recentListed(t.window), (QStringList{other, t.path}));

  QVERIFY(QFile::remove(t.path));
  auto* menu = t.window.findChild<QMenu*>(QStringLiteral("OstatnioOtwierane"));
  menu->actions().at(1)->trigger();
  QCOMPARE(t.log.messages.size(), 1);
  QVERIFY2(t.log.messages[0].text.contains(t.path), qPrintable(t.log.messages[0].text));
  QCOMPARE(recentListed(t.window), QStringList{other});
  frmDiagram next;
  next.setProgramFolder(toPath(t.folder.path()));
  QCOMPARE(recentListed(next), QStringList{other});
}

// The first window is left open with its changes, as after a crash; the next
// one offers its copy.
void FrmDiagramSessionTest::a_recovery_copy_is_kept_and_offered_to_the_next_window() {
  for (const QString& answer : {QStringLiteral("Przywróć"), QStringLiteral("Odrzuć")}) {
    Saved t;
    QVERIFY(t.saved);
    const std::filesystem::path copy = wypelniak::RecoveryPath(slowFolder(t.folder));
    QVERIFY(!std::filesystem::exists(copy));
    t.window.session()->setRecoveryTiming(20, 100);
    QTest::keyClicks(control(t.window, "Diagram"), QStringLiteral("t"));
    QTRY_VERIFY(std::filesystem::exists(copy));

    ModalAnswer restore = ModalAnswer::button(answer);
    frmDiagram next;
    next.setProgramFolder(toPath(t.folder.path()));
    next.show();
    QTRY_COMPARE(restore.texts.size(), 1);
    QVERIFY2(restore.texts[0].contains(t.path), qPrintable(restore.texts[0]));
    if (answer == QStringLiteral("Przywróć")) {
      QTRY_COMPARE(rows(next), rows(t.window));
      QCOMPARE(next.windowTitle(), QString::fromUtf8("Wypełniak – diagram – krzyżówka.ipuz *"));
      QVERIFY(next.saveFile(t.path));  // a clean save drops the copy
    } else {
      QTest::qWait(50);
      QVERIFY(rows(next) != rows(t.window));
    }
    QVERIFY(!std::filesystem::exists(copy));
  }
}

void FrmDiagramSessionTest::a_file_changed_on_disk_is_asked_about_before_save() {
  struct Case {
    const char* name;
    bool changeOnDisk;
    QString answer;
    bool saved;
  };
  const Case cases[] = {
      {"unchanged: no question", false, QStringLiteral("Anuluj"), true},
      {"changed, kept", true, QStringLiteral("Anuluj"), false},
      {"changed, overwritten", true, QStringLiteral("Zastąp"), true},
  };
  for (const Case& c : cases) {
    Saved t;
    QVERIFY(t.saved);
    QTest::keyClicks(control(t.window, "Diagram"), QStringLiteral("t"));
    const QByteArray theirs = "{\"inny\": \"program\"}\n";
    if (c.changeOnDisk) {
      QFile file(t.path);
      QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
      file.write(theirs);
    }
    ModalAnswer question = ModalAnswer::button(c.answer);
    QVERIFY2(t.window.saveFile(t.path) == c.saved, c.name);
    QVERIFY2(question.texts.size() == (c.changeOnDisk ? 1 : 0), c.name);
    if (c.changeOnDisk) QVERIFY2(question.texts[0].contains(t.path), qPrintable(question.texts[0]));
    QFile file(t.path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY2((file.readAll() == theirs) == !c.saved, c.name);
  }
}

QTEST_MAIN(FrmDiagramSessionTest)
#include "frmdiagram_session_test.moc"
