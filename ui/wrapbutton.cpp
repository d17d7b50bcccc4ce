#include "wrapbutton.h"

#include <QStyleOptionButton>
#include <QStylePainter>

WrapButton::WrapButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {}

QRect WrapButton::captionArea() const {
  QStyleOptionButton option;
  initStyleOption(&option);
  QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
  // Styles shift a pressed button's caption to make it look pushed in.
  if (isDown())
    area.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                   style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
  return area;
}

void WrapButton::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  // The style draws the bevel and the focus frame; the caption is drawn here
  // so that it can wrap.
  option.text.clear();
  painter.drawControl(QStyle::CE_PushButton, option);
  painter.drawItemText(captionArea(), Qt::AlignCenter | Qt::TextWordWrap, palette(), isEnabled(), text(),
                       QPalette::ButtonText);
}
