#pragma once

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QList>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
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

// The word list of the words with the given number of letters, as the bytes
// of its file slow/slow.<letters>.
struct WordListFile {
  int letters;
  QByteArray bytes;
};

inline QString wordListPath(const QTemporaryDir& folder, int letters) {
  return folder.filePath(QStringLiteral("slow/slow.%1").arg(letters));
}

inline void writeWordList(const QTemporaryDir& folder, const WordListFile& list) {
  QVERIFY(QDir(folder.path()).mkpath(QStringLiteral("slow")));
  QFile file(wordListPath(folder, list.letters));
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(list.bytes);
}

// A temporary program folder holding the given word lists, a window that
// reads from it, shown, and a log of the messages the window asks to show.
template <typename Window>
struct ShownWindow {
  explicit ShownWindow(const QList<WordListFile>& lists = {}) {
    for (const WordListFile& list : lists) writeWordList(folder, list);
    window.setProgramFolder(toPath(folder.path()));
    window.show();
  }

  QTemporaryDir folder;
  Window window;
  MessageLog log{&window};
};

// The window's control of that name; a missing control ends the test run.
template <typename T = QWidget>
T* control(const QWidget& window, const char* name) {
  T* widget = window.findChild<T*>(QString::fromLatin1(name));
  if (!widget) qFatal("no control %s", name);
  return widget;
}

// Presses Tab the given number of times and names the control that has the
// focus after each press.
inline QStringList tabOrder(int presses) {
  QStringList order;
  for (int i = 0; i < presses; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    order << QApplication::focusWidget()->objectName();
  }
  return order;
}
