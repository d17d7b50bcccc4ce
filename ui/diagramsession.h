#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <filesystem>
#include <optional>

#include "gridedit.h"
#include "session.h"

class QMenu;
class QTimer;
class QWidget;

// The grid window's session on the Qt side, over the core's session module:
// the settings read at start and written on every change, the menu of the
// files opened last, the recovery copy written while the grid has unsaved
// changes, and the stamp of the grid file that tells whether another program
// changed it since it was opened or saved.
class DiagramSession : public QObject {
  Q_OBJECT

 public:
  // edit and filePath are the window's own: the grid and the file it came
  // from, read when the recovery copy is written.
  DiagramSession(const wypelniak::GridEdit& edit, const QString& filePath, QWidget* window);

  // The word-list folder (slow/) that holds the session's files; reads the
  // settings from it. A damaged settings file leaves the defaults and a
  // message for takeProblem.
  void setFolder(const std::filesystem::path& folder);
  QString takeProblem();

  const wypelniak::SessionSettings& settings() const { return settings_; }
  // Takes new settings and writes them; false after a message.
  bool setSettings(const wypelniak::SessionSettings& settings);

  // A grid file opened or saved: first in the list of recent files, and
  // stamped as it now stands on the disk.
  void fileUsed(const QString& path);
  // A recent file that is gone: taken off the list.
  void forgetFile(const QString& path);
  // Whether the file changed on disk since fileUsed stamped it (false for a
  // file never stamped, and for one that is no longer there).
  bool changedOnDisk(const QString& path) const;
  // Fills menu with the recent files; choosing one emits openRecent.
  void fillRecentMenu(QMenu* menu);

  // After any change: a grid with unsaved changes gets a recovery copy a
  // few seconds later, again at most once per gap.
  void gridChanged();
  void setRecoveryTiming(int quietMs, int gapMs);
  // Writes the recovery copy now; false when it cannot be written (said in
  // the status bar through status).
  bool writeRecoveryCopy();
  void dropRecoveryCopy();
  // The recovery copy left by a session that did not end normally.
  std::optional<wypelniak::RecoveryCopy> recoveryCopy();

 signals:
  void openRecent(const QString& path);
  void status(const QString& text);
  void settingsChanged();

 private:
  void writeSettings();

  const wypelniak::GridEdit& edit_;
  const QString& filePath_;
  QWidget* window_;
  std::filesystem::path folder_;
  wypelniak::SessionSettings settings_;
  QString problem_;
  QString stampedPath_;
  wypelniak::FileStamp stamp_;
  QTimer* recoveryTimer_;
  QElapsedTimer lastCopy_;
  int quietMs_ = 5000;
  int gapMs_ = 60000;
  std::optional<wypelniak::Puzzle> copied_;  // what the recovery copy holds
};

// The questions the session asks, as message boxes in Polish naming the file:
// whether to restore a recovery copy ("Przywróć" / "Odrzuć"), and whether to
// overwrite a file another program changed ("Zastąp" / "Anuluj").
bool askToRestore(QWidget* parent, const wypelniak::RecoveryCopy& copy);
bool askToOverwriteChanged(QWidget* parent, const QString& path);
