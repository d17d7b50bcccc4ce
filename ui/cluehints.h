#pragma once

#include <QString>
#include <QWidget>

#include <filesystem>
#include <functional>

#include "gridedit.h"

class QLabel;
class QListWidget;
class QListWidgetItem;
class QTreeWidget;
class QTreeWidgetItem;

// The data role under which a row of the grid window's clue list holds its
// slot's index (into GridEdit::Slots()).
inline constexpr int kClueSlotRole = Qt::UserRole + 1;

// The clue hints beside the grid window's clue list: the thesaurus terms of
// the word of one slot, the slot chosen in the clue list, or the cursor's
// slot once its word is complete. A click on a term makes it the slot's clue
// (one undo step of the edit). Looks words up in tezaurus/ beside the
// program, as the hint window does.
class ClueHints : public QWidget {
  Q_OBJECT

 public:
  // clues: the clue list whose chosen row it follows; programFolder: where
  // tezaurus/ lies, asked at each lookup.
  ClueHints(wypelniak::GridEdit* edit, QTreeWidget* clues,
            std::function<std::filesystem::path()> programFolder, QWidget* parent = nullptr);

  // After a change to the grid or the cursor: a cursor newly on a slot with
  // a complete word chooses that slot's row; the hints follow the word.
  void follow();
  // Forgets what was looked up (another program folder).
  void reset();

 signals:
  // A term became a clue.
  void clueChosen();

 private:
  void rowChosen(QTreeWidgetItem* item);
  void termClicked(QListWidgetItem* item);
  // Shows the hints of slot's word (slot -1: none chosen).
  void showSlot(int slot);
  // The slot's word in lower case (UTF-8); empty while a cell is empty.
  std::string wordOf(int slot) const;
  void list(const std::string& word);

  wypelniak::GridEdit* edit_;
  QTreeWidget* clues_;
  std::function<std::filesystem::path()> programFolder_;
  QLabel* lblTitle_;
  QListWidget* lstPodpowiedzi_;
  int slot_ = -1;        // the slot whose hints are shown
  std::string word_;     // its word when they were looked up
  // The cursor's slot and its word at the last follow().
  int cursorSlot_ = -2;
  std::string cursorWord_;
};
