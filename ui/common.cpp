#include "common.h"

#include <QScreen>
#include <QWidget>

#include <utility>

namespace {

MessageHandler& currentHandler() {
  static MessageHandler handler;
  return handler;
}

QMessageBox::Icon boxIcon(wypelniak::MessageIcon icon) {
  switch (icon) {
    case wypelniak::MessageIcon::Exclamation: return QMessageBox::Warning;
    case wypelniak::MessageIcon::Information: return QMessageBox::Information;
    case wypelniak::MessageIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

QFont defaultFont(qreal pointSize) {
  // MS Sans Serif, else a face of its widths (the layout was drawn for
  // them: the captions wrap and fit as intended), else the system's
  // sans-serif. The font matching takes the first family of the list the
  // system has; asking the font database about each family instead would
  // load the whole database, which costs the start of the program dearly.
  static const QStringList preferred = {
      QStringLiteral("MS Sans Serif"),   QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Arial"),
      QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans"),          QStringLiteral("Helvetica")};
  QFont font;
  font.setFamilies(preferred);
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(pointSize);
  return font;
}

QString fromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void centreOnScreen(QWidget* window) {
  const QScreen* screen = window->screen();
  if (!screen) return;
  // Before the window is first mapped its frame is unknown and the client
  // area is centred; afterwards the whole frame is.
  QRect frame = window->frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  window->move(frame.topLeft());
}

void showMessage(QWidget* parent, std::string_view text, std::string_view title,
                 wypelniak::MessageIcon icon) {
  const QString shownTitle = fromUtf8(title.empty() ? std::string_view(wypelniak::ApplicationTitle) : title);
  if (const MessageHandler& handler = currentHandler()) {
    handler(parent, fromUtf8(text), shownTitle, boxIcon(icon));
    return;
  }
  QMessageBox box(boxIcon(icon), shownTitle, fromUtf8(text), QMessageBox::Ok, parent);
  box.exec();
}

MessageHandler setMessageHandler(MessageHandler handler) {
  return std::exchange(currentHandler(), std::move(handler));
}
