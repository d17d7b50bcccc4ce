#pragma once

#include <QList>
#include <QMessageBox>
#include <QString>
#include <QWidget>

#include <filesystem>

#include "common.h"

// A message the windows asked to show.
struct Message {
  QString text;
  QString title;
  QMessageBox::Icon icon;
  bool windowVisible;  // whether the watched window was still open
};

// Takes the message box's place while it lives and records what it was asked
// to show, so that no modal box blocks a test.
class MessageLog {
 public:
  explicit MessageLog(const QWidget* window = nullptr) {
    previous_ = setMessageHandler(
        [this, window](QWidget*, const QString& text, const QString& title, QMessageBox::Icon icon) {
          messages.append({text, title, icon, window && window->isVisible()});
        });
  }
  ~MessageLog() { setMessageHandler(previous_); }
  MessageLog(const MessageLog&) = delete;
  MessageLog& operator=(const MessageLog&) = delete;

  QList<Message> messages;

 private:
  MessageHandler previous_;
};

inline std::filesystem::path toPath(const QString& path) {
  return std::filesystem::path(path.toStdU16String());
}
