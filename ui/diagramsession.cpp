#include "diagramsession.h"

#include <QAction>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <algorithm>

#include "common.h"
#include "gridwindow.h"

namespace {

std::string utf8(const QString& text) {
  return text.toStdString();
}

std::filesystem::path toPath(const QString& path) {
  return std::filesystem::path(path.toStdU16String());
}

}  // namespace

DiagramSession::DiagramSession(const wypelniak::GridEdit& edit, const QString& filePath, QWidget* window)
    : QObject(window), edit_(edit), filePath_(filePath), window_(window), recoveryTimer_(new QTimer(this)) {
  recoveryTimer_->setSingleShot(true);
  connect(recoveryTimer_, &QTimer::timeout, this, &DiagramSession::writeRecoveryCopy);
}

void DiagramSession::setFolder(const std::filesystem::path& folder) {
  folder_ = folder;
  wypelniak::SessionResult result;
  settings_ = wypelniak::ReadSessionSettings(folder_, &result);
  problem_ = fromUtf8(wypelniak::DescribeSessionError(result));
}

QString DiagramSession::takeProblem() {
  return std::exchange(problem_, QString());
}

bool DiagramSession::setSettings(const wypelniak::SessionSettings& settings) {
  const bool changed = !(settings == settings_);
  settings_ = settings;
  const wypelniak::SessionResult written = wypelniak::WriteSessionSettings(folder_, settings_);
  if (changed) emit settingsChanged();
  if (written.error == wypelniak::SessionError::None) return true;
  showMessage(window_, wypelniak::DescribeSessionError(written), "", wypelniak::MessageIcon::Exclamation);
  return false;
}

void DiagramSession::writeSettings() {
  const wypelniak::SessionResult written = wypelniak::WriteSessionSettings(folder_, settings_);
  if (written.error != wypelniak::SessionError::None)
    emit status(fromUtf8(wypelniak::DescribeSessionError(written)));
}

// ---- Recent files and stamps ----------------------------------------------------

void DiagramSession::fileUsed(const QString& path) {
  stampedPath_ = path;
  stamp_ = wypelniak::TakeFileStamp(toPath(path));
  settings_.AddRecent(utf8(path));
  writeSettings();
}

void DiagramSession::forgetFile(const QString& path) {
  settings_.DropRecent(utf8(path));
  writeSettings();
}

bool DiagramSession::changedOnDisk(const QString& path) const {
  if (path != stampedPath_) return false;
  const std::filesystem::path file = toPath(path);
  return wypelniak::TakeFileStamp(file).exists && wypelniak::FileChangedSince(file, stamp_);
}

void DiagramSession::fillRecentMenu(QMenu* menu) {
  menu->clear();
  int number = 0;
  for (const std::string& recent : settings_.recentFiles) {
    QString path = fromUtf8(recent);
    QString shown = path;
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    QAction* action = menu->addAction(QStringLiteral("&%1 %2").arg(++number).arg(shown));
    action->setData(path);
    connect(action, &QAction::triggered, this, [this, path] { emit openRecent(path); });
  }
  if (number == 0) menu->addAction(QStringLiteral("(brak)"))->setEnabled(false);
}

// ---- The recovery copy ----------------------------------------------------------

void DiagramSession::setRecoveryTiming(int quietMs, int gapMs) {
  quietMs_ = quietMs;
  gapMs_ = gapMs;
}

void DiagramSession::gridChanged() {
  if (!edit_.Modified() || recoveryTimer_->isActive()) return;
  int wait = quietMs_;
  if (lastCopy_.isValid()) wait = std::max<qint64>(wait, gapMs_ - lastCopy_.elapsed());
  recoveryTimer_->start(wait);
}

bool DiagramSession::writeRecoveryCopy() {
  if (!edit_.Modified()) return true;
  wypelniak::Puzzle puzzle = edit_.ToPuzzle();
  if (copied_ == puzzle) return true;
  lastCopy_.start();
  const wypelniak::SessionResult written = wypelniak::WriteRecoveryCopy(folder_, puzzle, utf8(filePath_));
  if (written.error != wypelniak::SessionError::None) {
    emit status(QStringLiteral("Kopia zapasowa diagramu nie powstała. ") +
                fromUtf8(wypelniak::DescribeSessionError(written)));
    return false;
  }
  copied_ = std::move(puzzle);
  return true;
}

void DiagramSession::dropRecoveryCopy() {
  recoveryTimer_->stop();
  copied_.reset();
  const wypelniak::SessionResult dropped = wypelniak::DropRecoveryCopy(folder_);
  if (dropped.error != wypelniak::SessionError::None)
    emit status(fromUtf8(wypelniak::DescribeSessionError(dropped)));
}

std::optional<wypelniak::RecoveryCopy> DiagramSession::recoveryCopy() {
  wypelniak::SessionResult result;
  std::optional<wypelniak::RecoveryCopy> copy = wypelniak::ReadRecoveryCopy(folder_, &result);
  if (result.error != wypelniak::SessionError::None)
    showMessage(window_, wypelniak::DescribeSessionError(result), "", wypelniak::MessageIcon::Exclamation);
  return copy;
}

// ---- Questions ------------------------------------------------------------------

namespace {

// A question with two buttons; true when the first is chosen.
bool ask(QWidget* parent, const QString& text, const QString& yes, const QString& no) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Wypełniak – diagram"), text, QMessageBox::NoButton,
                  parent);
  box.setTextFormat(Qt::PlainText);
  QPushButton* yesButton = box.addButton(yes, QMessageBox::AcceptRole);
  QPushButton* noButton = box.addButton(no, QMessageBox::RejectRole);
  box.setDefaultButton(yesButton);
  box.setEscapeButton(noButton);
  box.exec();
  return box.clickedButton() == yesButton;
}

}  // namespace

bool askToRestore(QWidget* parent, const wypelniak::RecoveryCopy& copy) {
  return ask(parent, fromUtf8(wypelniak::RecoveryQuestion(copy.originalPath)), QStringLiteral("Przywróć"),
             QStringLiteral("Odrzuć"));
}

bool askToOverwriteChanged(QWidget* parent, const QString& path) {
  return ask(
      parent,
      QStringLiteral("Plik %1 zmienił się na dysku od chwili, gdy go otwarto lub zapisano w tym oknie: "
                     "zmienił go inny program.\n\nZastąpić go diagramem z tego okna? Zmiany "
                     "zrobione w innym programie przepadną. Aby zachować oba, wybierz „Anuluj”, a "
                     "potem Plik › Zapisz jako…")
          .arg(path),
      QStringLiteral("Zastąp"), QStringLiteral("Anuluj"));
}
