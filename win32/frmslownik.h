#pragma once

#include <filesystem>
#include <string>

#include "addword.h"
#include "addwordview.h"
#include "form.h"

// The add-word window: the word box, "Dodaj" and "Koniec". It is the word
// addition's view.
class frmSlownik : public Form, public wypelniak::AddWordView {
 public:
  frmSlownik(HWND owner, std::filesystem::path programFolder);

  // AddWordView, on this window's controls.
  std::string WordText() override;
  void ShowMessage(std::string_view text, std::string_view title, wypelniak::MessageIcon icon) override;
  void SelectWordText() override;
  void FocusWord() override;
  void ProcessPendingEvents() override;

 private:
  void OnCommand(int id) override;
  void OnEscape() override { Close(); }
  void OnClose() override { Close(); }

  void Add();    // Command1 "Dodaj"
  void Close();  // Command2 "Koniec", Esc and the close box

  std::filesystem::path programFolder_;
  wypelniak::AddWordMemory addWordMemory_;  // kept from one addition to the next
  // An addition lets queued messages in while it runs: a second "Dodaj" then
  // starts nothing, and closing waits for the addition's end.
  bool adding_ = false;
  bool closeRequested_ = false;
};
