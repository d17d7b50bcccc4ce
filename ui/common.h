#pragma once

#include <QFont>
#include <QMessageBox>
#include <QString>

#include <functional>
#include <string_view>

#include "message.h"

class QWidget;

// Window geometry is laid out in twips; at 96 dots per inch 15 twips make one
// pixel. Qt's device-independent pixels keep that ratio on denser screens.
constexpr int TwipsPerPixel = 15;

// Twips to device-independent pixels.
constexpr int twips(int value) {
  return (value + TwipsPerPixel / 2) / TwipsPerPixel;
}

// The controls' font: MS Sans Serif where the system has it, else a face
// of the same proportions or the system's sans-serif, at a size in points.
QFont defaultFont(qreal pointSize = 8);

// Core (UTF-8) text to a QString.
QString fromUtf8(std::string_view text);

// Moves a top-level window so that its whole frame, title bar included, lies
// in the middle of its screen. Call it when the window is shown: where the
// frame is not known yet, the window is centred again once it is.
void centreOnScreen(QWidget* window);

// Where a top-level window whose client area has the given size and whose
// frame has the given margins goes (its frame's top-left corner) so that the
// whole frame is centred in area.
QPoint centredFramePosition(const QSize& client, const QMargins& frame, const QRect& area);

// Lets Enter press whichever push button of the window has the focus, as
// Space does; no button becomes the default, so Enter in a text box still
// does nothing.
void pressFocusedButtonOnEnter(QWidget* window);

// What a message box shows: its title is already resolved (never empty).
using MessageHandler =
    std::function<void(QWidget* parent, const QString& text, const QString& title, QMessageBox::Icon icon)>;

// The one way the windows report anything: a modal message box with one OK
// button, its text shown as plain text (a typed "<b>" stays "<b>"). An empty
// title stands for the application title.
void showMessage(QWidget* parent, std::string_view text, std::string_view title, wypelniak::MessageIcon icon);

// Puts another handler in the message box's place (tests watch messages
// through it); an empty handler brings the message box back. Returns the
// handler that was in use.
MessageHandler setMessageHandler(MessageHandler handler);
