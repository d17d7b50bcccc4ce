#pragma once

#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "fill.h"
#include "form.h"
#include "gridedit.h"
#include "lexicon.h"
#include "liveview.h"
#include "wordlist.h"

// The grid window of wypelniak-diagram.exe: the grid being composed (the
// core's GridEdit, drawn by the grid control), beside it the words that fit
// the current slot (the core's LiveView, worked out again after every
// change), the fill of the whole grid or of the selected area on a worker
// thread, the clue of every slot with the thesaurus's terms for the slot's
// word, the grid's .ipuz file and its printing, and a recovery copy in
// slow/ while there are unsaved changes (offered at the next start when the
// window did not close normally). The word list of slow/ beside
// the program loads on a worker thread while the grid can already be edited.
class frmDiagram : public Form {
 public:
  explicit frmDiagram(std::filesystem::path programFolder = wypelniak::ProgramFolder());
  ~frmDiagram() override;

  // Shows the window with the focus on the grid and starts loading the list.
  void Show();
  // Reads a grid file (.ipuz or the text form); false after a message.
  bool OpenFile(const std::filesystem::path& path);
  HACCEL Accelerators() const { return accelerators_; }
  // The recovery copy a session that did not end normally left in slow/:
  // offered to the user, restored or dropped; true when restored.
  bool OfferRecovery();

 private:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnCommand(int id) override;
  void OnEnter() override;
  void OnClose() override;

  void BuildMenu();
  // The controls for a client area of width x height pixels: what is beyond
  // the smallest size goes to the grid and the side panel's lists.
  void LayOut(int width, int height);
  void KeepMinimumSize(MINMAXINFO& limits) const;
  void OnNotify(const NMHDR& header, LRESULT& result);
  // The word list.
  void StartLoading();
  void StopLoading();
  void Loaded(unsigned generation);
  // After any change: the live view, the lists, the title, the buttons.
  void Refresh();
  void FillCandidates();
  void FillClues();
  void FillHints();
  void UpdateTitle();
  void UpdateButtons();
  void SetStatus(const std::string& text);
  // The candidates, the clues and the hints.
  void PlaceCandidate(int row);
  void ClueRowChosen(int row);
  void ApplyClue();
  void HintChosen(int row);
  // The fill.
  void StartFill(std::vector<char> chosen);
  void StopFill();
  void FillDone();
  // Files.
  void NewGrid();
  void OpenChosen();
  bool Save();
  bool SaveAs();
  bool SaveFile(const std::filesystem::path& path);
  void Print();
  void Undo();
  void Redo();
  bool MaybeDropChanges();
  void Close();
  // The recovery copy.
  void ScheduleRecoveryCopy();
  void WriteRecoveryCopy();
  void DropRecoveryCopy();

  std::filesystem::path programFolder_;
  std::filesystem::path filePath_;  // the .ipuz file the grid is saved to; empty until there is one
  wypelniak::GridEdit edit_;
  HMENU menu_ = nullptr;
  HACCEL accelerators_ = nullptr;
  HICON bigIcon_ = nullptr;
  HICON smallIcon_ = nullptr;

  // The word list: loaded on loader_, taken over when it ends.
  std::unique_ptr<wypelniak::Lexicon> lexicon_;
  wypelniak::IndexSet indexes_;
  std::thread loader_;
  std::atomic<bool> cancelLoad_{false};
  unsigned loadGeneration_ = 0;
  bool loaded_ = false;

  // What fits the grid as it stands, and the grid it was worked out for.
  std::unique_ptr<wypelniak::LiveView> live_;
  wypelniak::Grid liveGrid_;
  int listedSlot_ = -2;                  // the slot whose words the candidate list shows
  std::vector<int> clueSlots_;           // the slot of each row of the clue list, -1 for a heading
  std::vector<std::wstring> clueCells_;  // the texts the clue list shows, three a row
  int clueSlot_ = -1;                    // the slot whose clue the clue box holds
  std::vector<std::wstring> hints_;
  std::string hintedWord_;  // the word the hints are for, once hinted_
  bool hinted_ = false;
  bool fillingClue_ = false;

  std::unique_ptr<wypelniak::FillJob> fillJob_;
  wypelniak::Grid fillBase_;
  std::uint64_t fillSeed_ = 1;
  bool stopRequested_ = false;
  // Handed over from the fill's thread.
  std::mutex fillMutex_;
  wypelniak::FillProgress fillProgress_;
  wypelniak::FillResult fillResult_;

  bool recoveryPending_ = false;             // the timer that writes the copy runs
  std::optional<wypelniak::Puzzle> copied_;  // what the copy holds
};
