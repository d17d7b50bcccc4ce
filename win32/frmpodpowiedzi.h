#pragma once

#include <filesystem>
#include <string>

#include "form.h"
#include "thesaurus.h"

// The clue hints for one word: for each meaning the thesaurus gives it, the
// synonyms and the broader and narrower terms, as plain read-only text, and
// "Zamknij". A missing or damaged thesaurus, and a word it does not know,
// are said in the window.
class frmPodpowiedzi : public Form {
 public:
  // Looks word (UTF-8) up in the thesaurus beside the program in
  // programFolder.
  frmPodpowiedzi(HWND owner, const std::string& word, const std::filesystem::path& programFolder);

  // What the window shows for a lookup of word, in UTF-8, one line per row
  // ("Synonimy: a, b"), a blank line before each meaning but the first.
  static std::string Describe(const std::string& word, const wypelniak::ThesaurusLookup& lookup);

 private:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnCommand(int id) override;
  void OnEnter() override { EndModal(); }
  void OnEscape() override { EndModal(); }
  void OnClose() override { EndModal(); }
};
