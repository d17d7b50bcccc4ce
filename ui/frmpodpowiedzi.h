#pragma once

#include <QDialog>
#include <QList>
#include <QString>

#include <filesystem>

#include "thesaurus.h"

class QGridLayout;
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

  // The text the window shows, one line per row ("Synonimy: a, b").
  QString hintText() const;

  // One row of the window: a heading, a caption with its terms, or a
  // paragraph of text.
  struct Row {
    enum Kind { Heading, Terms, Paragraph } kind;
    QString caption;  // Terms: what the terms are ("Synonimy")
    QString text;
  };

  // What the window shows for a lookup of word.
  static QList<Row> describe(const QString& word, const wypelniak::ThesaurusLookup& lookup);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QScrollArea* scrHints_;
  QPushButton* cmdZamknij_;
  QList<Row> rows_;
};
