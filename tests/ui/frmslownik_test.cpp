#include <QApplication>
#include <QFile>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <climits>
#include <filesystem>

#include "common.h"
#include "frmslownik.h"
#include "messagelog.h"

namespace {

QByteArray readBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Types a word over the box's text and presses "Dodaj" with the mouse.
void add(frmSlownik& window, const QString& word) {
  control<QLineEdit>(window, "Text1")->setText(word);
  QTest::mouseClick(control(window, "Command1"), Qt::LeftButton);
}

}  // namespace

class FrmSlownikTest : public QObject {
  Q_OBJECT

 private slots:
  void controlGeometryAndCaptions_data();
  void controlGeometryAndCaptions();
  void window();
  void startFocusAndTabOrder();
  void koniecEscAndCloseBoxClose_data();
  void koniecEscAndCloseBoxClose();
  void enterAddsNothing();
  void enterPressesFocusedButton_data();
  void enterPressesFocusedButton();
  void typedTextShownAsPlainText();
  void refusals_data();
  void refusals();
  void addsWordToItsFile();
  void duplicateRefused();
  void pressesDuringAdditionStartNothing_data();
  void pressesDuringAdditionStartNothing();
};

void FrmSlownikTest::controlGeometryAndCaptions_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QRect>("geometry");
  QTest::addColumn<QString>("caption");
  QTest::newRow("Label1") << "Label1" << QRect(8, 16, 137, 17) << "Wpisz nowy wyraz";
  QTest::newRow("Text1") << "Text1" << QRect(8, 32, 153, 19) << "";
  QTest::newRow("Command1") << "Command1" << QRect(176, 8, 81, 33) << "Dodaj";
  QTest::newRow("Command2") << "Command2" << QRect(176, 48, 81, 33) << "Koniec";
  QTest::newRow("Label2") << "Label2" << QRect(8, 104, 241, 33)
                          << "UWAGA: aby program widział nowo dodane wyrazy, należy go ponownie uruchomić";
}

void FrmSlownikTest::controlGeometryAndCaptions() {
  QFETCH(QString, name);
  QFETCH(QRect, geometry);
  QFETCH(QString, caption);
  frmSlownik window;
  QWidget* widget = window.findChild<QWidget*>(name);
  QVERIFY(widget);
  QCOMPARE(widget->geometry(), geometry);
  QCOMPARE(widget->font().pointSizeF(), 8.0);
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    QCOMPARE(label->text(), caption);
    const QRect text =
        label->fontMetrics().boundingRect(QRect(0, 0, label->width(), 1000), Qt::TextWordWrap, label->text());
    QVERIFY2(text.height() <= label->height(), qPrintable(QFontInfo(label->font()).family()));
  } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
    QCOMPARE(button->text(), caption);
    QVERIFY(!button->autoDefault());
    QVERIFY(!button->isDefault());
  } else {
    QCOMPARE(qobject_cast<QLineEdit*>(widget)->text(), caption);
  }
}

void FrmSlownikTest::window() {
  frmSlownik window;
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QCOMPARE(window.windowTitle(), QStringLiteral("Dodaj nowy wyraz do słownika"));
  QCOMPARE(window.size(), QSize(265, 138));
  QCOMPARE(window.minimumSize(), window.maximumSize());
  QVERIFY(window.windowFlags().testFlag(Qt::WindowCloseButtonHint));
  QVERIFY(!window.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
  QVERIFY(!window.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
  const QPoint offCentre = window.frameGeometry().center() - window.screen()->availableGeometry().center();
  QVERIFY(qAbs(offCentre.x()) <= 1 && qAbs(offCentre.y()) <= 1);
  QVERIFY(control<QLabel>(window, "Label2")->wordWrap());
  QCOMPARE(control<QLineEdit>(window, "Text1")->maxLength(), INT_MAX);
}

void FrmSlownikTest::startFocusAndTabOrder() {
  frmSlownik window;
  window.show();
  window.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&window));
  QCOMPARE(QApplication::focusWidget(), control(window, "Text1"));
  QCOMPARE(tabOrder(3), QStringList({"Command1", "Command2", "Text1"}));
}

void FrmSlownikTest::koniecEscAndCloseBoxClose_data() {
  QTest::addColumn<int>("how");
  QTest::newRow("Koniec") << 0;
  QTest::newRow("Esc in the word box") << 1;
  QTest::newRow("Esc on Dodaj") << 2;
  QTest::newRow("close box") << 3;
}

void FrmSlownikTest::koniecEscAndCloseBoxClose() {
  QFETCH(int, how);
  frmSlownik window;
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  switch (how) {
    case 0: QTest::mouseClick(control(window, "Command2"), Qt::LeftButton); break;
    case 1: QTest::keyClick(control(window, "Text1"), Qt::Key_Escape); break;
    case 2: QTest::keyClick(control(window, "Command1"), Qt::Key_Escape); break;
    case 3: QVERIFY(window.close()); break;
  }
  QVERIFY(!window.isVisible());
  QCOMPARE(window.result(), int(QDialog::Rejected));
}

void FrmSlownikTest::enterAddsNothing() {
  const QByteArray before = "1\r\nkot\r\n";
  ShownWindow<frmSlownik> t({{3, before}});
  t.window.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&t.window));
  auto* text1 = control<QLineEdit>(t.window, "Text1");

  QTest::keyClicks(text1, QStringLiteral("kit"));
  QTest::keyClick(text1, Qt::Key_Return);
  QTest::keyClick(text1, Qt::Key_Enter);
  QVERIFY(t.log.messages.isEmpty());
  QCOMPARE(readBytes(wordListPath(t.folder, 3)), before);
  QVERIFY(t.window.isVisible());
  QCOMPARE(text1->text(), QStringLiteral("kit"));
}

void FrmSlownikTest::enterPressesFocusedButton_data() {
  QTest::addColumn<QString>("button");
  QTest::addColumn<int>("key");
  QTest::newRow("Return on Dodaj") << "Command1" << int(Qt::Key_Return);
  QTest::newRow("Enter on Koniec") << "Command2" << int(Qt::Key_Enter);
}

void FrmSlownikTest::enterPressesFocusedButton() {
  QFETCH(QString, button);
  QFETCH(int, key);
  ShownWindow<frmSlownik> t({{3, "1\r\nkot\r\n"}});
  t.window.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&t.window));
  control<QLineEdit>(t.window, "Text1")->setText(QStringLiteral("kit"));
  auto* pressed = t.window.findChild<QPushButton*>(button);
  pressed->setFocus();
  QTest::keyClick(pressed, Qt::Key(key));
  if (button == QLatin1String("Command1")) {
    QCOMPARE(t.log.messages.size(), 1);
    QCOMPARE(readBytes(wordListPath(t.folder, 3)), QByteArray("2\r\nkot\r\nkit\r\n"));
    QVERIFY(t.window.isVisible());
  } else {
    QVERIFY(t.log.messages.isEmpty());
    QVERIFY(!t.window.isVisible());
  }
}

void FrmSlownikTest::typedTextShownAsPlainText() {
  ShownWindow<frmSlownik> t({{3, "1\r\nkot\r\n"}});
  QVERIFY(QTest::qWaitForWindowExposed(&t.window));
  const MessageHandler log = setMessageHandler({});  // the real message box
  QStringList texts;
  QList<Qt::TextFormat> formats;
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    texts << box->text();
    formats << box->textFormat();
    box->button(QMessageBox::Ok)->click();
  });
  answer.start(20);
  add(t.window, QStringLiteral("<b>"));  // added
  add(t.window, QStringLiteral("<b>"));  // then a duplicate
  setMessageHandler(log);
  QCOMPARE(texts, QStringList({QStringLiteral("Wyraz (<b>) został dodany do słownika"),
                               QStringLiteral("Wpisany wyraz (<b>) jest już w słowniku!")}));
  QCOMPARE(formats, QList<Qt::TextFormat>({Qt::PlainText, Qt::PlainText}));
}

void FrmSlownikTest::refusals_data() {
  QTest::addColumn<QString>("word");
  QTest::addColumn<QString>("text");
  QTest::newRow("empty") << ""
                         << "Nic nie wpisałeś";
  QTest::newRow("one character") << "ż"
                                 << "Nie można dodawać do słownika wyrazów krótszych niż dwuznakowych";
  QTest::newRow("23 characters")
      << QString(23, QChar(u'ą'))
      << "Nie można dodawać do słownika wyrazów dłuższych niż te, które mają 22 znaki";
}

void FrmSlownikTest::refusals() {
  QFETCH(QString, word);
  QFETCH(QString, text);
  ShownWindow<frmSlownik> t;
  QVERIFY(QTest::qWaitForWindowExposed(&t.window));

  add(t.window, word);
  QCOMPARE(t.log.messages.size(), 1);
  QCOMPARE(t.log.messages[0].text, text);
  QCOMPARE(t.log.messages[0].title, QStringLiteral("Błąd"));
  QCOMPARE(t.log.messages[0].icon, QMessageBox::Warning);
  // The word stays, selected in full, with the focus, to be typed over.
  auto* text1 = control<QLineEdit>(t.window, "Text1");
  QCOMPARE(text1->text(), word);
  QCOMPARE(text1->selectedText(), word);
  QCOMPARE(t.window.focusWidget(), text1);
  QVERIFY(t.window.isVisible());
  QVERIFY(QDir(t.folder.path()).isEmpty());
}

void FrmSlownikTest::addsWordToItsFile() {
  ShownWindow<frmSlownik> t({{3, "2\r\nkot\r\nk\xB9t\r\n"}, {22, "0\r\n"}});
  QVERIFY(QTest::qWaitForWindowExposed(&t.window));
  auto* text1 = control<QLineEdit>(t.window, "Text1");

  add(t.window, QStringLiteral("Żuk"));
  QCOMPARE(t.log.messages.size(), 1);
  QCOMPARE(t.log.messages[0].text, QStringLiteral("Wyraz (Żuk) został dodany do słownika"));
  QCOMPARE(t.log.messages[0].title, QStringLiteral("Dodałem wyraz"));
  QCOMPARE(t.log.messages[0].icon, QMessageBox::Information);
  // Appended as typed, in Windows-1250, the count raised, no copy left.
  QCOMPARE(readBytes(wordListPath(t.folder, 3)), QByteArray("3\r\nkot\r\nk\xB9t\r\n\xAFuk\r\n"));
  QVERIFY(!QFile::exists(t.folder.filePath(QStringLiteral("slow/~slow.3"))));
  QCOMPARE(text1->selectedText(), QStringLiteral("Żuk"));
  QCOMPARE(t.window.focusWidget(), text1);

  // 22 characters is the longest word accepted.
  const QString longest = QStringLiteral("konstantynopolitańczyk");
  QCOMPARE(longest.size(), 22);
  add(t.window, longest);
  QCOMPARE(t.log.messages.size(), 2);
  QCOMPARE(t.log.messages[1].icon, QMessageBox::Information);
  QCOMPARE(readBytes(wordListPath(t.folder, 22)), QByteArray("1\r\nkonstantynopolita\xF1"
                                                             "czyk\r\n"));
  // The notice stays whether or not a word was added.
  QVERIFY(control(t.window, "Label2")->isVisible());
}

void FrmSlownikTest::duplicateRefused() {
  const QByteArray before = "2\r\nkot\r\nk\xB9t\r\n";
  ShownWindow<frmSlownik> t({{3, before}});
  QVERIFY(QTest::qWaitForWindowExposed(&t.window));

  add(t.window, QStringLiteral("Kąt"));
  QCOMPARE(t.log.messages.size(), 1);
  QCOMPARE(t.log.messages[0].text, QStringLiteral("Wpisany wyraz (Kąt) jest już w słowniku!"));
  QCOMPARE(t.log.messages[0].title, QStringLiteral("Błąd"));
  QCOMPARE(readBytes(wordListPath(t.folder, 3)), before);
  QCOMPARE(control<QLineEdit>(t.window, "Text1")->selectedText(), QStringLiteral("Kąt"));
}

void FrmSlownikTest::pressesDuringAdditionStartNothing_data() {
  QTest::addColumn<QString>("press");
  QTest::newRow("Dodaj") << "Command1";
  QTest::newRow("Koniec") << "Command2";
  QTest::newRow("close box") << "close";
  QTest::newRow("Esc") << "Esc";
}

void FrmSlownikTest::pressesDuringAdditionStartNothing() {
  QFETCH(QString, press);
  ShownWindow<frmSlownik> t({{3, "1\r\nkot\r\n"}});
  QVERIFY(QTest::qWaitForWindowExposed(&t.window));
  control<QLineEdit>(t.window, "Text1")->setText(QStringLiteral("kit"));

  // The press waits in the queue and arrives while the addition lets events in.
  if (press == QLatin1String("close")) {
    QMetaObject::invokeMethod(&t.window, "close", Qt::QueuedConnection);
  } else if (press == QLatin1String("Esc")) {
    QCoreApplication::postEvent(control(t.window, "Text1"),
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
  } else {
    QMetaObject::invokeMethod(control(t.window, qPrintable(press)), "click", Qt::QueuedConnection);
  }
  QTest::mouseClick(control(t.window, "Command1"), Qt::LeftButton);

  // One addition, reported while the window was still open.
  QCOMPARE(t.log.messages.size(), 1);
  QCOMPARE(t.log.messages[0].text, QStringLiteral("Wyraz (kit) został dodany do słownika"));
  QVERIFY(t.log.messages[0].windowVisible);
  QCOMPARE(readBytes(wordListPath(t.folder, 3)), QByteArray("2\r\nkot\r\nkit\r\n"));
  // A request to close took effect once the addition had finished.
  QCOMPARE(t.window.isVisible(), press == QLatin1String("Command1"));
}

QTEST_MAIN(FrmSlownikTest)
#include "frmslownik_test.moc"
