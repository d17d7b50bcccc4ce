#pragma once

#include <QWidget>

#include <filesystem>

#include "patternsearch.h"
#include "searchview.h"

class QLabel;
class QLineEdit;
class QModelIndex;
class QPushButton;
class ResultListView;
class ResultModel;

// The main window: the pattern box, the result list and the buttons that
// search, open the About and the add-word windows and end the program. It is
// the pattern search's view.
class frmMain : public QWidget, public wypelniak::SearchView {
  Q_OBJECT

 public:
  explicit frmMain(QWidget* parent = nullptr);

  // The folder whose slow/ holds the word list: the executable's folder
  // unless set otherwise.
  void setProgramFolder(const std::filesystem::path& folder);
  const std::filesystem::path& programFolder() const { return programFolder_; }

  // The words the result list holds.
  ResultModel* resultModel() const { return results_; }

  // SearchView, on this window's controls.
  std::string PatternText() override;
  void ShowMessage(std::string_view text, std::string_view title, wypelniak::MessageIcon icon) override;
  void ClearResults() override;
  void SetResultsVisible(bool visible) override;
  void SetPatternEnabled(bool enabled) override;
  void ProcessPendingEvents() override;
  void AddResult(std::string_view word) override;
  wypelniak::ResultList* ResultStore() override { return &found_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private slots:
  void search();       // Command1 "Szukaj"
  void showAbout();    // Command2 "O programie"
  void endProgram();   // Command3 "Koniec", and a close deferred by a search
  void showAddWord();  // Command5 "Dodaj nowy wyraz do słownika"

  // The clue hints of a word in List1: a double-click or Enter on its row.
  void showHints(const QModelIndex& index);

 private:
  void setProgramIcon();  // once, after the first painting or when a dialog needs it

  QLabel* label1_;
  QLineEdit* text1_;
  QLabel* label2_;
  QLabel* label3_;
  ResultListView* list1_;
  QPushButton* command1_;
  QPushButton* command2_;
  QPushButton* command3_;
  QPushButton* command4_;
  QPushButton* command5_;
  wypelniak::ResultList found_;  // the words the list shows, filled by the search
  ResultModel* results_;

  std::filesystem::path programFolder_;
  wypelniak::SearchMemory searchMemory_;  // kept from one search to the next
  // A search lets queued events in while it runs; a click that arrives then
  // must start nothing, and a request to end the program waits for its end.
  bool searching_ = false;
  bool endRequested_ = false;
  bool iconSet_ = false;
};
