// The About window, the program icon files and README.TXT.

#include <QDesktopServices>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QStringDecoder>
#include <QUrl>
#include <QtEndian>
#include <QtTest>

#include "frmabout.h"
#include "messagelog.h"
#include "programicon.h"
#include "version.h"

namespace {

// Twips to pixels at 15 twips a pixel, rounded.
int px(int twips) {
  return qRound(twips / 15.0);
}

QRect twipsRect(int left, int top, int width, int height) {
  return QRect(px(left), px(top), px(width), px(height));
}

quint16 u16(const QByteArray& data, qsizetype at) {
  return qFromLittleEndian<quint16>(reinterpret_cast<const uchar*>(data.constData() + at));
}
quint32 u32(const QByteArray& data, qsizetype at) {
  return qFromLittleEndian<quint32>(reinterpret_cast<const uchar*>(data.constData() + at));
}

QByteArray readFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

const QString kIconDir = QStringLiteral(WYPELNIAK_ICON_DIR);

}  // namespace

// Stands in for the browser: records every web address the program asks
// the system to open.
class UrlCatcher : public QObject {
  Q_OBJECT

 public:
  QList<QUrl> urls;

 public slots:
  void open(const QUrl& url) { urls.append(url); }
};

class TestFrmAbout : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();

  void windowAndControlGeometry();
  void captionsAndFonts();
  void versionIsSetBeforeShowing();
  void separatorIsEtched();
  void focusStartsOnOk();
  void keysThatClose_data();
  void keysThatClose();
  void wwwOpensHomePageAndStaysOpen();
  void wwwWithoutBrowserGivesTheAddress();

  void iconFileHoldsThreeDepths();
  void iconImagesAgreeWithPicture();
  void programIconSizes();

  void readmeIsUtf8WithBomAndCrLf();

 private:
  UrlCatcher catcher_;
};

void TestFrmAbout::init() {
  catcher_.urls.clear();
  QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher_, "open");
}

void TestFrmAbout::cleanup() {
  QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
}

void TestFrmAbout::windowAndControlGeometry() {
  frmAbout about;
  QCOMPARE(about.size(), QSize(382, 237));
  QCOMPARE(about.minimumSize(), about.maximumSize());  // not resizable
  const Qt::WindowFlags flags = about.windowFlags();
  QVERIFY(flags & Qt::WindowCloseButtonHint);
  QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
  QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
  QVERIFY(!(flags & Qt::WindowContextHelpButtonHint));

  const struct {
    const char* name;
    QRect rect;
  } controls[] = {
      {"picIcon", twipsRect(240, 240, 480, 480)},
      {"lblTitle", twipsRect(1050, 240, 3885, 480)},
      {"lblVersion", twipsRect(1050, 780, 3885, 225)},
      {"lblDescription", twipsRect(1050, 1125, 3885, 1170)},
      {"lblDisclaimer", twipsRect(255, 2625, 3870, 825)},
      {"cmdOK", twipsRect(4245, 2625, 1260, 345)},
      {"cmdSysInfo", twipsRect(4260, 3075, 1245, 345)},
  };
  for (const auto& control : controls) {
    QWidget* widget = about.findChild<QWidget*>(QString::fromLatin1(control.name));
    QVERIFY2(widget, control.name);
    QCOMPARE(widget->geometry(), control.rect);
  }
  // The picture box is sized to its 32 x 32 picture.
  auto* picIcon = about.findChild<QLabel*>(QStringLiteral("picIcon"));
  QCOMPARE(picIcon->size(), QSize(32, 32));
  QCOMPARE(picIcon->pixmap().size(), QSize(32, 32));
}

void TestFrmAbout::captionsAndFonts() {
  frmAbout about;
  QCOMPARE(about.windowTitle(), QStringLiteral("O programie"));
  QVERIFY(!about.windowIcon().isNull());

  auto* title = about.findChild<QLabel*>(QStringLiteral("lblTitle"));
  QVERIFY(title);
  QCOMPARE(title->text(), QStringLiteral("Wypełniak"));
  QCOMPARE(title->font().pointSizeF(), 13.5);
  QVERIFY(title->font().bold());
  QCOMPARE(title->palette().color(QPalette::WindowText), QColor(255, 0, 0));

  auto* description = about.findChild<QLabel*>(QStringLiteral("lblDescription"));
  QCOMPARE(description->text(),
           QStringLiteral(
               "Program ten jest przydatny dla osób tworzących krzyżówki (szczegóły w pliku README.TXT)"));
  auto* disclaimer = about.findChild<QLabel*>(QStringLiteral("lblDisclaimer"));
  for (QLabel* label : {description, disclaimer}) {
    QVERIFY(label->wordWrap());
    QCOMPARE(label->palette().color(QPalette::WindowText), QColor(0, 0, 0));
    // The whole text fits in the label at its fixed size.
    QVERIFY2(label->heightForWidth(label->width()) <= label->height(), qPrintable(label->objectName()));
  }
  // The terms of use: free, may be passed on, no fee, no taking apart.
  for (const char* word : {"bezpłatny", "kopiować", "przekazywać", "opłat", "dekompil"})
    QVERIFY2(disclaimer->text().contains(QString::fromUtf8(word)), word);

  QCOMPARE(about.findChild<QPushButton*>(QStringLiteral("cmdOK"))->text(), QStringLiteral("OK"));
  QCOMPARE(about.findChild<QPushButton*>(QStringLiteral("cmdSysInfo"))->text(), QStringLiteral("WWW"));

  // Everything but the title uses the window's 8-point face, the title the
  // same face, larger and bold.
  const QString family = about.font().family();
  QCOMPARE(about.font().pointSizeF(), 8.0);
  QCOMPARE(title->font().family(), family);
  for (const char* name : {"lblVersion", "lblDescription", "lblDisclaimer", "cmdOK", "cmdSysInfo"}) {
    const QFont font = about.findChild<QWidget*>(QString::fromLatin1(name))->font();
    QVERIFY2(font.family() == family && font.pointSizeF() == 8.0 && !font.bold(), name);
  }
}

void TestFrmAbout::versionIsSetBeforeShowing() {
  frmAbout about;
  auto* version = about.findChild<QLabel*>(QStringLiteral("lblVersion"));
  QCOMPARE(version->text(), QStringLiteral("Wersja 1.1.0"));
  QCOMPARE(QString::fromLatin1(wypelniak::kFileVersion), QStringLiteral("1.1.0.0"));
  QCOMPARE(QString::fromLatin1(wypelniak::kVersionText), QStringLiteral("1.01"));

  about.show();
  QVERIFY(QTest::qWaitForWindowExposed(&about));
  QCOMPARE(version->text(), QStringLiteral("Wersja 1.1.0"));
}

void TestFrmAbout::separatorIsEtched() {
  frmAbout about;
  const QImage image = about.grab().toImage();
  const QColor background = about.palette().color(QPalette::Window);
  const QColor grey(128, 128, 128), white(255, 255, 255);
  // A grey line with a white one right below it, across the window.
  for (int x : {10, 100, 200, 300, 370}) {
    QCOMPARE(QColor(image.pixel(x, 162)), background);
    QCOMPARE(QColor(image.pixel(x, 163)), grey);
    QCOMPARE(QColor(image.pixel(x, 164)), white);
    QCOMPARE(QColor(image.pixel(x, 165)), background);
  }
  // It starts a few pixels in from the left edge and stops short of the right.
  for (int x : {3, 380})
    for (int y : {163, 164}) QCOMPARE(QColor(image.pixel(x, y)), background);
}

void TestFrmAbout::focusStartsOnOk() {
  frmAbout about;
  about.show();
  QVERIFY(QTest::qWaitForWindowActive(&about));
  auto* ok = about.findChild<QPushButton*>(QStringLiteral("cmdOK"));
  QCOMPARE(QApplication::focusWidget(), ok);
  QVERIFY(ok->isDefault());
  QCOMPARE(ok->nextInFocusChain(), about.findChild<QPushButton*>(QStringLiteral("cmdSysInfo")));
}

void TestFrmAbout::keysThatClose_data() {
  QTest::addColumn<QString>("focus");
  QTest::addColumn<int>("key");
  QTest::newRow("Enter on OK") << "cmdOK" << int(Qt::Key_Return);
  QTest::newRow("keypad Enter on OK") << "cmdOK" << int(Qt::Key_Enter);
  QTest::newRow("Esc on OK") << "cmdOK" << int(Qt::Key_Escape);
  QTest::newRow("Esc on WWW") << "cmdSysInfo" << int(Qt::Key_Escape);
}

void TestFrmAbout::keysThatClose() {
  QFETCH(QString, focus);
  QFETCH(int, key);
  frmAbout about;
  QSignalSpy finished(&about, &QDialog::finished);
  about.show();
  QVERIFY(QTest::qWaitForWindowActive(&about));
  auto* target = about.findChild<QPushButton*>(focus);
  target->setFocus();
  QTRY_COMPARE(QApplication::focusWidget(), target);

  QTest::keyClick(target, Qt::Key(key));
  QCOMPARE(finished.count(), 1);
  QVERIFY(!about.isVisible());
  QVERIFY(catcher_.urls.isEmpty());
}

void TestFrmAbout::wwwOpensHomePageAndStaysOpen() {
  frmAbout about;
  QSignalSpy finished(&about, &QDialog::finished);
  about.show();
  QVERIFY(QTest::qWaitForWindowActive(&about));
  auto* www = about.findChild<QPushButton*>(QStringLiteral("cmdSysInfo"));

  QTest::mouseClick(www, Qt::LeftButton);
  const QUrl home(QString::fromLatin1(wypelniak::kHomePage));
  QVERIFY(home.isValid());
  QCOMPARE(catcher_.urls, QList<QUrl>{home});
  QVERIFY(about.isVisible());

  // Enter on the focused WWW button presses it, not the default OK.
  www->setFocus();
  QTRY_COMPARE(QApplication::focusWidget(), www);
  QTest::keyClick(www, Qt::Key_Return);
  QCOMPARE(catcher_.urls, (QList<QUrl>{home, home}));
  QVERIFY(about.isVisible());
  QCOMPARE(finished.count(), 0);
}

// The offscreen platform opens no web address: as on a machine without a
// browser, the user is told the address in Polish.
void TestFrmAbout::wwwWithoutBrowserGivesTheAddress() {
  QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
  if (QGuiApplication::platformName() != QStringLiteral("offscreen")) QSKIP("a real browser might open");
  frmAbout about;
  MessageLog log(&about);
  about.show();
  QVERIFY(QTest::qWaitForWindowExposed(&about));
  QTest::mouseClick(about.findChild<QPushButton*>(QStringLiteral("cmdSysInfo")), Qt::LeftButton);
  QCOMPARE(log.messages.size(), 1);
  const Message& shown = log.messages.front();
  QVERIFY2(shown.text.contains(QString::fromLatin1(wypelniak::kHomePage)), qPrintable(shown.text));
  QVERIFY2(shown.text.contains(QStringLiteral("przeglądark")), qPrintable(shown.text));
  QVERIFY(shown.windowVisible);
}

void TestFrmAbout::iconFileHoldsThreeDepths() {
  const QByteArray ico = readFile(kIconDir + QStringLiteral("/wypelniak.ico"));
  QVERIFY(ico.size() > 6);
  QCOMPARE(u16(ico, 0), quint16(0));  // reserved
  QCOMPARE(u16(ico, 2), quint16(1));  // an icon, not a cursor
  QCOMPARE(u16(ico, 4), quint16(3));  // images
  QVERIFY(ico.size() >= 6 + 3 * 16);

  // Colours, bits a pixel and palette entries of each image, in file order.
  const struct { int colours, bits; } expected[] = {{2, 1}, {8, 4}, {16, 4}};
  for (int i = 0; i < 3; ++i) {
    const qsizetype entry = 6 + 16 * i;
    QCOMPARE(uchar(ico[entry]), uchar(32));      // width
    QCOMPARE(uchar(ico[entry + 1]), uchar(32));  // height
    QCOMPARE(int(uchar(ico[entry + 2])), expected[i].colours);
    QCOMPARE(u16(ico, entry + 4), quint16(1));  // planes
    QCOMPARE(int(u16(ico, entry + 6)), expected[i].bits);
    const quint32 bytes = u32(ico, entry + 8), offset = u32(ico, entry + 12);
    QVERIFY(offset + bytes <= quint32(ico.size()));

    // BITMAPINFOHEADER: height counts the colour bits and the mask.
    QCOMPARE(u32(ico, offset), quint32(40));
    QCOMPARE(u32(ico, offset + 4), quint32(32));
    QCOMPARE(u32(ico, offset + 8), quint32(64));
    QCOMPARE(u16(ico, offset + 12), quint16(1));
    QCOMPARE(int(u16(ico, offset + 14)), expected[i].bits);
    QCOMPARE(u32(ico, offset + 16), quint32(0));  // uncompressed
    quint32 paletteSize = u32(ico, offset + 32);
    if (paletteSize == 0) paletteSize = 1u << expected[i].bits;
    QCOMPARE(int(paletteSize), expected[i].colours);

    // Header, palette, colour rows and mask rows (each padded to 4 bytes).
    const quint32 rowBytes = (32 * expected[i].bits + 31) / 32 * 4;
    QCOMPARE(bytes, 40 + 4 * paletteSize + 32 * rowBytes + 32 * 4);
  }
}

void TestFrmAbout::iconImagesAgreeWithPicture() {
  const QImage picture =
      QImage(kIconDir + QStringLiteral("/wypelniak-32.png")).convertToFormat(QImage::Format_ARGB32);
  QCOMPARE(picture.size(), QSize(32, 32));

  QImageReader reader(kIconDir + QStringLiteral("/wypelniak.ico"));
  QCOMPARE(reader.imageCount(), 3);
  QList<QImage> images;
  for (int i = 0; i < 3; ++i) {
    QVERIFY(reader.jumpToImage(i));
    images.append(reader.read().convertToFormat(QImage::Format_ARGB32));
    QCOMPARE(images.last().size(), QSize(32, 32));
  }
  int black = 0, white = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const QRgb p = picture.pixel(x, y);
      // The 8- and 16-colour images are the picture itself.
      for (int i : {1, 2}) {
        const QRgb q = images[i].pixel(x, y);
        QVERIFY2(qAlpha(p) == qAlpha(q) && (qAlpha(p) == 0 || p == q),
                 qPrintable(QStringLiteral("image %1 at %2,%3").arg(i).arg(x).arg(y)));
      }
      // The 2-colour one keeps every black and white pixel and every
      // transparent one outside the shadow.
      const QRgb m = images[0].pixel(x, y);
      if (p == qRgb(0, 0, 0) || p == qRgb(255, 255, 255)) QCOMPARE(m, p);
      black += p == qRgb(0, 0, 0);
      white += p == qRgb(255, 255, 255);
    }
  }
  // A sheet with a letter on it, on a transparent ground.
  QVERIFY(black > 100 && white > 200);
  QCOMPARE(qAlpha(picture.pixel(0, 0)), 0);
  QCOMPARE(qAlpha(picture.pixel(31, 0)), 0);
}

void TestFrmAbout::programIconSizes() {
  const QIcon icon = programIcon();
  const QList<QSize> sizes = icon.availableSizes();
  for (QSize size : {QSize(32, 32), QSize(128, 128), QSize(256, 256)}) QVERIFY(sizes.contains(size));
  const QPixmap pixmap = programIconPixmap();
  QCOMPARE(pixmap.size(), QSize(32, 32));
  QCOMPARE(pixmap.toImage().convertToFormat(QImage::Format_ARGB32),
           QImage(kIconDir + QStringLiteral("/wypelniak-32.png")).convertToFormat(QImage::Format_ARGB32));
}

void TestFrmAbout::readmeIsUtf8WithBomAndCrLf() {
  const QByteArray readme = readFile(QStringLiteral(WYPELNIAK_README));
  QVERIFY(readme.startsWith("\xEF\xBB\xBF"));
  QVERIFY(readme.endsWith("\r\n"));
  // Every line end is CR LF: no lone CR, no lone LF.
  QCOMPARE(readme.count('\n'), readme.count("\r\n"));
  QCOMPARE(readme.count('\r'), readme.count("\r\n"));
  QStringDecoder decode(QStringDecoder::Utf8);
  const QString text = decode(readme.mid(3));
  QVERIFY(!decode.hasError());
  QVERIFY(!text.contains(QLatin1Char('@')));  // every placeholder filled in
  QVERIFY(text.contains(QStringLiteral("wersja 1.1.0")));
  QVERIFY(text.contains(QString::fromLatin1(wypelniak::kHomePage)));

  // The terms of use read as in the About window.
  frmAbout about;
  const QString terms = about.findChild<QLabel*>(QStringLiteral("lblDisclaimer"))->text();
  QVERIFY(text.simplified().contains(terms.simplified()));
}

QTEST_MAIN(TestFrmAbout)
#include "frmabout_test.moc"
