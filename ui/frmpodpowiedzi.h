#pragma once

#include <QDialog>

#include <filesystem>

#include "thesaurus.h"

class QLabel;
class QPushButton;
class QScrollArea;

// The clue hints for one word: for each meaning the thesaurus gives it, the
// synonyms and the broader and narrower terms, as plain text. A missing or
// damaged thesaurus, and a word it does not know, are said in the window.
class frmPodpowiedzi : public QDialog {
  Q_OBJECT

 public:
  // Looks word up in the thesaurus beside the program in programFolder.
  frmPodpowiedzi(const QString& word, const std::filesystem::path& programFolder, QWidget* parent = nullptr);

  // The text the window shows.
  QString hintText() const;

  // The thesaurus of tezaurus/ in programFolder, kept for the rest of the
  // run, so that its index is read on the first hint only.
  static wypelniak::Thesaurus& thesaurusFor(const std::filesystem::path& programFolder);

  // What the window shows for a lookup of word.
  static QString describe(const QString& word, const wypelniak::ThesaurusLookup& lookup);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QScrollArea* scrHints_;
  QLabel* lblHints_;
  QPushButton* cmdZamknij_;
};
