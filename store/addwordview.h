#pragma once

#include <string>
#include <string_view>

#include "message.h"

namespace wypelniak {

// What the word addition needs from the add-word window. Text is UTF-8.
class AddWordView {
 public:
  virtual ~AddWordView() = default;

  // The word box's text.
  virtual std::string WordText() = 0;
  // A modal message box with one OK button, the given title and icon.
  virtual void ShowMessage(std::string_view text, std::string_view title, MessageIcon icon) = 0;
  // Selects the word box's whole text.
  virtual void SelectWordText() = 0;
  // Gives the word box the keyboard focus.
  virtual void FocusWord() = 0;
  // Lets the window system handle all pending events once.
  virtual void ProcessPendingEvents() = 0;
};

}  // namespace wypelniak
