#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "form.h"
#include "patternsearch.h"
#include "resultlist.h"
#include "searchview.h"
#include "wordlist.h"

// The main window: the pattern box, the result list and the buttons that
// search, open the About and the add-word windows and end the program. It is
// the pattern search's view; the result list shows the rows of its own
// ResultList, turned into text only when a row is drawn.
class frmMain : public Form, public wypelniak::SearchView {
 public:
  explicit frmMain(std::filesystem::path programFolder = wypelniak::ProgramFolder());
  ~frmMain() override;

  // Shows the window with the focus in the pattern box.
  void Show();

  // SearchView, on this window's controls.
  std::string PatternText() override;
  void ShowMessage(std::string_view text, std::string_view title, wypelniak::MessageIcon icon) override;
  void ClearResults() override;
  void SetResultsVisible(bool visible) override;
  void SetPatternEnabled(bool enabled) override;
  void ProcessPendingEvents() override;
  void AddResult(std::string_view word) override;
  wypelniak::ResultList* ResultStore() override { return &results_; }

 private:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnCommand(int id) override;
  void OnClose() override;
  void OnEnter() override;
  COLORREF LabelColour(int id) override;

  void Search();       // Command1 "Szukaj"
  void ShowAbout();    // Command2 "O programie"
  void EndProgram();   // Command3 "Koniec", and an end deferred by a search
  void ShowAddWord();  // Command5 "Dodaj nowy wyraz do słownika"
  // The hint window for row of the result list, when the row is selected.
  void ShowHints(int row);

  // Number of rows the list shows.
  std::size_t RowCount() const { return results_.Size() + added_.size(); }
  void FitColumn();
  // The text of row of the result list.
  std::wstring RowText(std::size_t row) const;

  wypelniak::ResultList results_;
  // Words handed over one at a time through AddResult, after results_.
  std::vector<std::wstring> added_;
  std::filesystem::path programFolder_;
  wypelniak::SearchMemory searchMemory_;  // kept from one search to the next
  HICON bigIcon_ = nullptr;
  HICON smallIcon_ = nullptr;
  // A search lets queued messages in while it runs; a click that arrives then
  // must start nothing, and a request to end the program waits for its end.
  bool searching_ = false;
  bool endRequested_ = false;
};
