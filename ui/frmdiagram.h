#pragma once

#include <QMainWindow>
#include <QString>

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

#include "fill.h"
#include "gridedit.h"
#include "lexicon.h"
#include "liveview.h"

class ClueHints;
class DiagramSession;
class DiagramView;
class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The crossword grid window: the grid being composed (the core's GridEdit),
// beside it the words that fit the current slot (the core's LiveView, worked
// out again after every change), the fill of the whole grid or of the
// selected area on a worker thread, the clue of every slot, and the grid's
// .ipuz file. The word list of slow/ beside the program loads on a worker
// thread while the grid can already be edited.
class frmDiagram : public QMainWindow {
  Q_OBJECT

 public:
  explicit frmDiagram(QWidget* parent = nullptr);
  ~frmDiagram() override;

  // The folder whose slow/ holds the word list: the executable's folder
  // unless set otherwise. Setting it loads the list again.
  void setProgramFolder(const std::filesystem::path& folder);

  // Reads a grid file (.ipuz or the text form); false after a message.
  bool openFile(const QString& path);
  // Writes the grid as .ipuz; false after a message.
  bool saveFile(const QString& path);
  // Writes the puzzle and its solution as an A4 PDF; false after a message.
  bool exportPdf(const QString& path);

  // Whether the word list is in (what fits is shown from then on).
  bool lexiconLoaded() const { return loaded_; }
  // Whether a fill is running.
  bool filling() const { return fillJob_ != nullptr; }
  const wypelniak::GridEdit& edit() const { return edit_; }
  // The live view of the grid as it stands; null while the list loads.
  const wypelniak::LiveView* liveView() const { return live_.get(); }
  // The settings, recent files and recovery copy (DiagramSession).
  DiagramSession* session() const { return session_; }

  // Asked before unsaved changes are dropped: true to go on (after saving
  // them or not), false to stay. By default a question with three buttons;
  // tests put their answer in its place.
  std::function<bool()> askToDropChanges;

 signals:
  void lexiconReady();
  void fillEnded();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private slots:
  void newGrid();
  void openChosen();
  bool save();
  bool saveAs();
  void exportChosen();
  void undo();
  void redo();
  void fillAll();
  void fillSelection();
  void stopFill();
  void placeCandidate(QListWidgetItem* item);
  void showHints(QListWidgetItem* item);
  void clueEdited(QTreeWidgetItem* item, int column);
  void symmetryChosen(int index);
  void editSettings();
  void openRecent(const QString& path);
  // At the first showing: a damaged settings file said, a recovery copy offered.
  void offerRecovery();
  // After any change: the live view, the lists, the title, the buttons.
  void refresh();

 private:
  // The live view of the grid as it is now (the red marks and what fits).
  void updateLiveView();
  // Everything but the grid: the lists, the hints, the title, the buttons.
  void refreshBesideGrid();
  void buildMenus();
  QWidget* buildSidePanel();
  void startLoading();
  void stopLoading();
  void loaded(unsigned generation);
  void startFill(std::vector<char> chosen);
  void fillDone(const wypelniak::Grid& base, const wypelniak::FillResult& result);
  void fillCandidates();
  void fillClues();
  void updateTitle();
  void updateButtons();
  // True when there are no unsaved changes, or the user lets them go.
  bool maybeDropChanges();
  bool defaultAskToDropChanges();

  wypelniak::GridEdit edit_;
  std::filesystem::path programFolder_;
  QString filePath_;

  // The word list: loaded on loader_, taken over when it ends.
  std::unique_ptr<wypelniak::Lexicon> lexicon_;
  wypelniak::IndexSet indexes_;
  std::thread loader_;
  std::atomic<bool> cancelLoad_{false};
  unsigned loadGeneration_ = 0;
  bool loaded_ = false;
  bool shownOnce_ = false;

  // What fits the grid as it stands, and the grid it was worked out for.
  std::unique_ptr<wypelniak::LiveView> live_;
  wypelniak::Grid liveGrid_;
  int listedSlot_ = -2;  // the slot whose words Pasujace shows

  std::unique_ptr<wypelniak::FillJob> fillJob_;
  std::uint64_t fillSeed_ = 1;
  bool stopRequested_ = false;
  bool fillingClues_ = false;

  DiagramView* diagram_;
  QLabel* lblPasujace_;
  QListWidget* lstPasujace_;
  QTreeWidget* trvHasla_;
  ClueHints* hints_;
  QPushButton* cmdWypelnij_;
  QPushButton* cmdWypelnijZaznaczenie_;
  QPushButton* cmdPrzerwij_;
  QComboBox* cboSymetria_;
  QLabel* lblStan_;
  DiagramSession* session_;
  std::string scoreProblem_;  // the score file's error, from the loader
  QProgressBar* prgWczytywanie_;
};
