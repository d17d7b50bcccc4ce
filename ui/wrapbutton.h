#pragma once

#include <QPushButton>

// A push button whose caption wraps at word boundaries onto as many lines as
// the button's height allows, centred; a plain QPushButton keeps it on one.
class WrapButton : public QPushButton {
  Q_OBJECT

 public:
  explicit WrapButton(const QString& text, QWidget* parent = nullptr);

  // Where the caption is drawn, in the button's coordinates.
  QRect captionArea() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
};
