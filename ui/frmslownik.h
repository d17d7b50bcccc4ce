#pragma once

#include <QDialog>

#include <filesystem>

#include "addword.h"
#include "addwordview.h"

class QLabel;
class QLineEdit;
class QPushButton;

// The add-word window: a word box, "Dodaj" that adds the word to its
// word-list file and "Koniec" that closes the window. It is the addition's
// view.
class frmSlownik : public QDialog, public wypelniak::AddWordView {
  Q_OBJECT

 public:
  explicit frmSlownik(QWidget* parent = nullptr);

  // The folder whose slow/ holds the word list: the executable's folder
  // unless set otherwise.
  void setProgramFolder(const std::filesystem::path& folder);
  const std::filesystem::path& programFolder() const { return programFolder_; }

  // AddWordView, on this window's controls.
  std::string WordText() override;
  void ShowMessage(std::string_view text, std::string_view title, wypelniak::MessageIcon icon) override;
  void SelectWordText() override;
  void FocusWord() override;
  void ProcessPendingEvents() override;

 public slots:
  // "Koniec", Esc and the close box all end here; while a word is being added
  // the window closes once the addition has finished.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private slots:
  void addWord();  // Command1 "Dodaj"

 private:
  QLabel* label1_;
  QLineEdit* text1_;
  QPushButton* command1_;
  QPushButton* command2_;
  QLabel* label2_;

  std::filesystem::path programFolder_;
  wypelniak::AddWordMemory addWordMemory_;  // kept from one addition to the next
  // The addition lets events in while it runs: a second "Dodaj" then starts
  // nothing, and a request to close waits for its end.
  bool adding_ = false;
  bool closeRequested_ = false;
};
