#include "common.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QWidget>
#include <QWindow>

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

QPoint centredFramePosition(const QSize& client, const QMargins& frame, const QRect& area) {
  QRect whole(QPoint(0, 0), client.grownBy(frame));
  whole.moveCenter(area.center());
  return whole.topLeft();
}

namespace {

// The frame around a top-level window's client area: as the window system
// reports it, else as it reports it for another window of this program (all
// of them have the same kind of frame), else unknown (none).
QMargins frameMargins(const QWidget* window) {
  if (const QWindow* handle = window->windowHandle(); handle && !handle->frameMargins().isNull())
    return handle->frameMargins();
  for (const QWidget* other : QApplication::topLevelWidgets()) {
    if (other == window || !other->isVisible() || !other->windowHandle()) continue;
    if (const QMargins margins = other->windowHandle()->frameMargins(); !margins.isNull()) return margins;
  }
  return {};
}

void placeCentred(QWidget* window, const QMargins& margins) {
  const QScreen* screen = window->screen();
  if (!screen) return;
  // A top-level window's position is its frame's top-left corner.
  window->move(centredFramePosition(window->size(), margins, screen->availableGeometry()));
}

// Centres a window again once the window system tells its frame, where that
// was not known when it was first placed; then goes away.
class CentreWhenFramed : public QObject {
 public:
  CentreWhenFramed(QWidget* window, const QMargins& assumed)
      : QObject(window), window_(window), assumed_(assumed) {
    window->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != window_) return false;
    const QEvent::Type type = event->type();
    if (type == QEvent::Hide) {
      deleteLater();
    } else if (type == QEvent::Move || type == QEvent::Resize || type == QEvent::Expose ||
               type == QEvent::UpdateRequest || type == QEvent::Show) {
      const QWindow* handle = window_->windowHandle();
      if (handle && !handle->frameMargins().isNull()) {
        window_->removeEventFilter(this);
        if (handle->frameMargins() != assumed_) placeCentred(window_, handle->frameMargins());
        deleteLater();
      }
    }
    return false;
  }

 private:
  QWidget* window_;
  QMargins assumed_;
};

// Presses the focused push button on Enter or Return.
class EnterPressesButton : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) || modifiers != Qt::NoModifier)
      return false;
    auto* button = qobject_cast<QPushButton*>(watched);
    if (!button || !button->hasFocus() || !button->isEnabled()) return false;
    if (!key->isAutoRepeat()) button->click();
    return true;
  }
};

}  // namespace

void centreOnScreen(QWidget* window) {
  const QMargins margins = frameMargins(window);
  placeCentred(window, margins);
  const QWindow* handle = window->windowHandle();
  if (!handle || handle->frameMargins().isNull()) new CentreWhenFramed(window, margins);
}

void pressFocusedButtonOnEnter(QWidget* window) {
  auto* filter = new EnterPressesButton(window);
  for (QPushButton* button : window->findChildren<QPushButton*>()) button->installEventFilter(filter);
}

void showMessage(QWidget* parent, std::string_view text, std::string_view title,
                 wypelniak::MessageIcon icon) {
  const QString shownTitle = fromUtf8(title.empty() ? std::string_view(wypelniak::ApplicationTitle) : title);
  if (const MessageHandler& handler = currentHandler()) {
    handler(parent, fromUtf8(text), shownTitle, boxIcon(icon));
    return;
  }
  QMessageBox box(boxIcon(icon), shownTitle, fromUtf8(text), QMessageBox::Ok, parent);
  // The text may hold what the user typed or a file held: never markup.
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

MessageHandler setMessageHandler(MessageHandler handler) {
  return std::exchange(currentHandler(), std::move(handler));
}
