#pragma once

#include <string>
#include <string_view>

#include "message.h"
#include "resultlist.h"

namespace wypelniak {

// What the pattern search needs from the main window. Text is UTF-8.
class SearchView {
 public:
  virtual ~SearchView() = default;

  // The pattern box's text.
  virtual std::string PatternText() = 0;
  // A modal message box with one OK button; an empty title stands for the
  // application title.
  virtual void ShowMessage(std::string_view text, std::string_view title, MessageIcon icon) = 0;
  // Empties the result list.
  virtual void ClearResults() = 0;
  // Shows or hides the result list, then its caption.
  virtual void SetResultsVisible(bool visible) = 0;
  // Enables or disables the pattern box.
  virtual void SetPatternEnabled(bool enabled) = 0;
  // Lets the window system handle all pending events once.
  virtual void ProcessPendingEvents() = 0;
  // Appends a word at the end of the result list. The view copies it.
  virtual void AddResult(std::string_view word) = 0;
  // The list the view shows, when it keeps one: the search then puts the
  // words it finds straight into it (after ClearResults(), which empties it)
  // instead of passing each to AddResult, and the view shows the whole list
  // when SetResultsVisible(true) is called. nullptr: every word goes through
  // AddResult.
  virtual ResultList* ResultStore() { return nullptr; }
};

}  // namespace wypelniak
