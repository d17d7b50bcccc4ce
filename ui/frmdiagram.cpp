#include "frmdiagram.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "cluehints.h"
#include "common.h"
#include "diagramsession.h"
#include "diagramsettings.h"
#include "diagramview.h"
#include "frmpodpowiedzi.h"
#include "gridfile.h"
#include "gridwindow.h"
#include "programicon.h"
#include "puzzleprint.h"
#include "puzzleprinting.h"
#include "thesaurus.h"
#include "wordlist.h"
#include "wordscore.h"

using wypelniak::Direction;

namespace {

const QString kTitle = QStringLiteral("Wypełniak – diagram");
// Pasujace shows at most this many of a slot's words; the count says how many fit.
constexpr std::uint32_t kListedWords = 2000;
// The data role of a clue row: its slot's index.
constexpr int kSlotRole = kClueSlotRole;

QPushButton* makeButton(const QString& name, const QString& text, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

// Sets a cell of a clue row only when it changes: each change has the list
// measure its columns again over every row.
void setCellText(QTreeWidgetItem* item, int column, const QString& text) {
  if (item->text(column) != text) item->setText(column, text);
}

QString pathText(const std::filesystem::path& path) {
  return QString::fromStdU16String(path.u16string());
}

std::filesystem::path toPath(const QString& path) {
  return std::filesystem::path(path.toStdU16String());
}

// Width, height and symmetry of a new grid; false when the user cancels.
bool askNewGrid(QWidget* parent, int& width, int& height, int& symmetry) {
  QDialog dialog(parent);
  dialog.setWindowTitle(QStringLiteral("Nowy diagram"));
  auto* form = new QFormLayout(&dialog);
  auto* spnWidth = new QSpinBox(&dialog);
  auto* spnHeight = new QSpinBox(&dialog);
  for (QSpinBox* box : {spnWidth, spnHeight}) box->setRange(wypelniak::kMinEditSide, wypelniak::kMaxEditSide);
  spnWidth->setValue(width);
  spnHeight->setValue(height);
  auto* cboSymmetry = new QComboBox(&dialog);
  cboSymmetry->addItems({QStringLiteral("brak"), QStringLiteral("środkowa (obrót o 180°)"),
                         QStringLiteral("lustrzana (lewo – prawo)")});
  cboSymmetry->setCurrentIndex(symmetry);
  form->addRow(QStringLiteral("Szerokość:"), spnWidth);
  form->addRow(QStringLiteral("Wysokość:"), spnHeight);
  form->addRow(QStringLiteral("Symetria pól zaczernionych:"), cboSymmetry);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  form->addRow(buttons);
  if (dialog.exec() != QDialog::Accepted) return false;
  width = spnWidth->value();
  height = spnHeight->value();
  symmetry = cboSymmetry->currentIndex();
  return true;
}

}  // namespace

frmDiagram::frmDiagram(QWidget* parent) : QMainWindow(parent), programFolder_(wypelniak::ProgramFolder()) {
  askToDropChanges = [this] { return defaultAskToDropChanges(); };
  setWindowIcon(programIcon());
  diagram_ = new DiagramView(&edit_, this);
  diagram_->setObjectName(QStringLiteral("Diagram"));
  auto* splitter = new QSplitter(this);
  splitter->addWidget(diagram_);
  splitter->addWidget(buildSidePanel());
  splitter->setStretchFactor(0, 3);
  splitter->setStretchFactor(1, 2);  // the clue list and its hints side by side
  setCentralWidget(splitter);
  lblStan_ = new QLabel(this);
  lblStan_->setObjectName(QStringLiteral("Stan"));
  lblStan_->setTextFormat(Qt::PlainText);
  prgWczytywanie_ = new QProgressBar(this);
  prgWczytywanie_->setObjectName(QStringLiteral("Wczytywanie"));
  prgWczytywanie_->setMaximumWidth(200);
  statusBar()->addWidget(lblStan_, 1);
  statusBar()->addPermanentWidget(prgWczytywanie_);
  session_ = new DiagramSession(edit_, filePath_, this);
  session_->setFolder(wypelniak::DictionaryFolder(programFolder_));
  connect(session_, &DiagramSession::status, lblStan_, &QLabel::setText);
  connect(session_, &DiagramSession::openRecent, this, &frmDiagram::openRecent);
  buildMenus();
  connect(diagram_, &DiagramView::edited, this, &frmDiagram::refresh);
  resize(980, 640);
  diagram_->setFocus();
  refresh();
}

frmDiagram::~frmDiagram() {
  if (fillJob_) fillJob_->Cancel();
  fillJob_.reset();
  stopLoading();
}

QWidget* frmDiagram::buildSidePanel() {
  auto* panel = new QWidget(this);
  auto* layout = new QVBoxLayout(panel);
  auto* symmetryRow = new QHBoxLayout;
  cboSymetria_ = new QComboBox(panel);
  cboSymetria_->setObjectName(QStringLiteral("Symetria"));
  cboSymetria_->addItems({QStringLiteral("brak"), QStringLiteral("środkowa"), QStringLiteral("lustrzana")});
  symmetryRow->addWidget(new QLabel(QStringLiteral("Symetria:"), panel));
  symmetryRow->addWidget(cboSymetria_, 1);
  layout->addLayout(symmetryRow);
  connect(cboSymetria_, &QComboBox::currentIndexChanged, this, &frmDiagram::symmetryChosen);

  lblPasujace_ = new QLabel(panel);
  lblPasujace_->setTextFormat(Qt::PlainText);
  lblPasujace_->setWordWrap(true);
  layout->addWidget(lblPasujace_);
  lstPasujace_ = new QListWidget(panel);
  lstPasujace_->setObjectName(QStringLiteral("Pasujace"));
  lstPasujace_->setUniformItemSizes(true);
  layout->addWidget(lstPasujace_, 2);
  connect(lstPasujace_, &QListWidget::itemClicked, this, &frmDiagram::placeCandidate);
  connect(lstPasujace_, &QListWidget::itemActivated, this, &frmDiagram::showHints);

  auto* fillRow = new QHBoxLayout;
  cmdWypelnij_ = makeButton(QStringLiteral("Wypelnij"), QStringLiteral("Wypełnij"), panel);
  cmdWypelnijZaznaczenie_ =
      makeButton(QStringLiteral("WypelnijZaznaczenie"), QStringLiteral("Wypełnij zaznaczenie"), panel);
  cmdPrzerwij_ = makeButton(QStringLiteral("Przerwij"), QStringLiteral("Przerwij"), panel);
  for (QPushButton* b : {cmdWypelnij_, cmdWypelnijZaznaczenie_, cmdPrzerwij_}) fillRow->addWidget(b);
  layout->addLayout(fillRow);
  connect(cmdWypelnij_, &QPushButton::clicked, this, &frmDiagram::fillAll);
  connect(cmdWypelnijZaznaczenie_, &QPushButton::clicked, this, &frmDiagram::fillSelection);
  connect(cmdPrzerwij_, &QPushButton::clicked, this, &frmDiagram::stopFill);

  layout->addWidget(new QLabel(QStringLiteral("Hasła (kliknij dwukrotnie, aby wpisać):"), panel));
  trvHasla_ = new QTreeWidget(panel);
  trvHasla_->setObjectName(QStringLiteral("Hasla"));
  trvHasla_->setHeaderLabels({QStringLiteral("Nr"), QStringLiteral("Wyraz"), QStringLiteral("Hasło")});
  trvHasla_->setRootIsDecorated(false);
  trvHasla_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  trvHasla_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
  trvHasla_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
  auto* clueRow = new QSplitter(panel);
  clueRow->addWidget(trvHasla_);
  hints_ = new ClueHints(
      &edit_, trvHasla_, [this] { return programFolder_; }, clueRow);
  clueRow->addWidget(hints_);
  clueRow->setStretchFactor(0, 3);
  clueRow->setStretchFactor(1, 2);
  layout->addWidget(clueRow, 3);
  connect(trvHasla_, &QTreeWidget::itemChanged, this, &frmDiagram::clueEdited);
  connect(hints_, &ClueHints::clueChosen, this, &frmDiagram::refresh);
  return panel;
}

void frmDiagram::buildMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&Plik"));
  file->addAction(QStringLiteral("&Nowy…"), QKeySequence::New, this, &frmDiagram::newGrid);
  file->addAction(QStringLiteral("&Otwórz…"), QKeySequence::Open, this, &frmDiagram::openChosen);
  QMenu* recent = file->addMenu(QStringLiteral("Ostatnio &otwierane"));
  recent->setObjectName(QStringLiteral("OstatnioOtwierane"));
  connect(recent, &QMenu::aboutToShow, this, [this, recent] { session_->fillRecentMenu(recent); });
  file->addAction(QStringLiteral("&Zapisz"), QKeySequence::Save, this, &frmDiagram::save);
  file->addAction(QStringLiteral("Zapisz &jako…"), QKeySequence::SaveAs, this, &frmDiagram::saveAs);
  file->addSeparator();
  file->addAction(QStringLiteral("&Eksportuj do PDF…"), this, &frmDiagram::exportChosen);
  file->addAction(QStringLiteral("&Drukuj…"), QKeySequence::Print, this,
                  [this] { printPuzzleChosen(this, edit_.ToPuzzle()); });
  file->addAction(QStringLiteral("Podgląd &wydruku…"), this,
                  [this] { previewPuzzle(this, edit_.ToPuzzle()); });
  file->addSeparator();
  file->addAction(QStringLiteral("Za&kończ"), QKeySequence::Quit, this, &QWidget::close);
  QMenu* editMenu = menuBar()->addMenu(QStringLiteral("&Edycja"));
  QAction* undoAction = editMenu->addAction(QStringLiteral("&Cofnij"), this, &frmDiagram::undo);
  undoAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  QAction* redoAction = editMenu->addAction(QStringLiteral("&Ponów"), this, &frmDiagram::redo);
  redoAction->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
  QMenu* settings = menuBar()->addMenu(QStringLiteral("&Ustawienia"));
  settings->addAction(QStringLiteral("&Wypełnianie…"), this, &frmDiagram::editSettings)
      ->setObjectName(QStringLiteral("UstawieniaWypelniania"));
}

// ---- The word list ------------------------------------------------------------

void frmDiagram::setProgramFolder(const std::filesystem::path& folder) {
  programFolder_ = folder;
  session_->setFolder(wypelniak::DictionaryFolder(programFolder_));
  hints_->reset();
  if (shownOnce_) startLoading();
}

void frmDiagram::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shownOnce_) return;
  shownOnce_ = true;
  startLoading();
  QMetaObject::invokeMethod(this, &frmDiagram::offerRecovery, Qt::QueuedConnection);
}

void frmDiagram::stopLoading() {
  cancelLoad_.store(true);
  if (loader_.joinable()) loader_.join();
  cancelLoad_.store(false);
}

void frmDiagram::startLoading() {
  stopLoading();
  loaded_ = false;
  live_.reset();
  diagram_->setLiveView(nullptr);
  indexes_ = {};
  const unsigned generation = ++loadGeneration_;
  const std::filesystem::path folder = wypelniak::DictionaryFolder(programFolder_);
  const std::filesystem::path thesaurus = wypelniak::ThesaurusFolder(programFolder_);
  lexicon_ = std::make_unique<wypelniak::Lexicon>(folder);
  wypelniak::Lexicon* lexicon = lexicon_.get();
  const std::filesystem::path scoreFile = wypelniak::PathFromText(session_->settings().scoreFile);
  prgWczytywanie_->setRange(0, 0);
  prgWczytywanie_->show();
  lblStan_->setText(QStringLiteral("Wczytywanie listy słów z %1…").arg(pathText(folder)));
  loader_ = std::thread([this, lexicon, folder, thesaurus, scoreFile, generation] {
    wypelniak::ScoreSources sources;
    wypelniak::AddThesaurusWords(thesaurus, sources);
    wypelniak::AddBaseForms(folder, sources);
    scoreProblem_.clear();
    if (!scoreFile.empty()) {
      const wypelniak::ScoreFileError e = wypelniak::ReadScoreFile(scoreFile, sources);
      if (e.kind != wypelniak::ScoreFileError::None)
        scoreProblem_ = wypelniak::DescribeScoreFileError(scoreFile, e);
    }
    *lexicon = wypelniak::Lexicon(folder, std::move(sources));
    lexicon->Load(
        [this](int done, int total) {
          QMetaObject::invokeMethod(
              this,
              [this, done, total] { prgWczytywanie_->setRange(0, total), prgWczytywanie_->setValue(done); },
              Qt::QueuedConnection);
        },
        &cancelLoad_);
    QMetaObject::invokeMethod(
        this, [this, generation] { loaded(generation); }, Qt::QueuedConnection);
  });
}

void frmDiagram::loaded(unsigned generation) {
  if (generation != loadGeneration_) return;
  if (loader_.joinable()) loader_.join();
  indexes_ = lexicon_->Indexes();
  loaded_ = true;
  prgWczytywanie_->hide();
  QString state;
  for (int n = wypelniak::MinWordLength; n <= wypelniak::MaxWordLength; ++n) {
    if (!lexicon_->Report(n).problem.empty()) state = fromUtf8(lexicon_->Report(n).problem);
  }
  if (lexicon_->WordCount() == 0) {
    state = QStringLiteral(
                "Folder %1 nie zawiera listy słów (plików slow.2 … slow.22). "
                "Zbuduj ją poleceniem: wypelniak-slownik build")
                .arg(pathText(lexicon_->Folder()));
  }
  if (state.isEmpty()) state = QStringLiteral("Lista słów wczytana: %L1 wyrazów.").arg(lexicon_->WordCount());
  if (!scoreProblem_.empty()) state += QStringLiteral(" ") + fromUtf8(scoreProblem_);
  lblStan_->setText(state);
  liveGrid_ = {};
  refresh();
  emit lexiconReady();
}

// ---- After each change ----------------------------------------------------------

void frmDiagram::refresh() {
  updateLiveView();
  diagram_->update();
  refreshBesideGrid();
}

void frmDiagram::refreshBesideGrid() {
  fillCandidates();
  fillClues();
  hints_->follow();
  updateTitle();
  updateButtons();
  session_->gridChanged();
}

void frmDiagram::updateLiveView() {
  if (!loaded_ || liveGrid_ == edit_.GetGrid()) return;
  live_ = std::make_unique<wypelniak::LiveView>(edit_.GetGrid(), indexes_);
  liveGrid_ = edit_.GetGrid();
  listedSlot_ = -2;
  diagram_->setLiveView(live_.get());
}

void frmDiagram::fillCandidates() {
  const int slot = edit_.CurrentSlot();
  if (slot == listedSlot_ && live_) return;
  listedSlot_ = slot;
  lstPasujace_->clear();
  lblPasujace_->setText(fromUtf8(wypelniak::CandidatesCaption(live_.get(), edit_.Slots(), slot, kListedWords)));
  if (!live_ || slot < 0 || live_->Dead(slot)) return;
  const std::uint32_t count = live_->Count(slot);
  QStringList words;
  for (std::uint32_t n = 0; n < count && n < kListedWords; ++n)
    words << fromUtf8(live_->CandidateText(slot, n));
  lstPasujace_->addItems(words);
}

void frmDiagram::fillClues() {
  fillingClues_ = true;
  const std::vector<wypelniak::Slot>& allSlots = edit_.Slots();
  const auto acrossCount = std::count_if(allSlots.begin(), allSlots.end(), [](const wypelniak::Slot& slot) {
    return slot.direction == Direction::Across;
  });
  // The same rows under each heading: only their texts are brought up to date.
  const bool same =
      trvHasla_->topLevelItemCount() == 2 && trvHasla_->topLevelItem(0)->childCount() == acrossCount &&
      trvHasla_->topLevelItem(1)->childCount() == static_cast<int>(allSlots.size()) - acrossCount;
  // The number and word columns fit their texts: measured once, after all
  // rows are changed, not again after each.
  for (int column : {0, 1}) trvHasla_->header()->setSectionResizeMode(column, QHeaderView::Interactive);
  if (!same) {
    trvHasla_->clear();
    for (const QString& heading : {QStringLiteral("Poziomo"), QStringLiteral("Pionowo")}) {
      auto* top = new QTreeWidgetItem(trvHasla_, {heading});
      top->setFirstColumnSpanned(true);
      top->setExpanded(true);
    }
  }
  int across = 0, down = 0;
  for (std::size_t s = 0; s < allSlots.size(); ++s) {
    const bool isAcross = allSlots[s].direction == Direction::Across;
    QTreeWidgetItem* top = trvHasla_->topLevelItem(isAcross ? 0 : 1);
    const int row = isAcross ? across++ : down++;
    QTreeWidgetItem* item = same ? top->child(row) : new QTreeWidgetItem(top);
    if (!same) item->setFlags(item->flags() | Qt::ItemIsEditable);
    if (!same || item->data(0, kSlotRole).toInt() != static_cast<int>(s))
      item->setData(0, kSlotRole, static_cast<int>(s));
    setCellText(item, 0, QString::number(allSlots[s].number));
    setCellText(item, 1, fromUtf8(wypelniak::SlotWordText(edit_.GetGrid(), allSlots[s])));
    setCellText(item, 2, fromUtf8(edit_.ClueOf(static_cast<int>(s))));
  }
  for (int column : {0, 1}) trvHasla_->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
  fillingClues_ = false;
}

void frmDiagram::clueEdited(QTreeWidgetItem* item, int column) {
  if (fillingClues_ || column != 2 || !item->parent()) return;
  edit_.SetClue(item->data(0, kSlotRole).toInt(), item->text(2).toStdString());
  QMetaObject::invokeMethod(this, &frmDiagram::refresh, Qt::QueuedConnection);
}

void frmDiagram::updateTitle() {
  const QString name = filePath_.isEmpty() ? QString() : QFileInfo(filePath_).fileName();
  setWindowTitle(fromUtf8(wypelniak::GridWindowTitle(name.toStdString(), edit_.Modified())));
}

void frmDiagram::updateButtons() {
  const bool canFill = loaded_ && !fillJob_;
  cmdWypelnij_->setEnabled(canFill);
  cmdWypelnijZaznaczenie_->setEnabled(canFill && !edit_.Selection().Empty());
  cmdPrzerwij_->setEnabled(fillJob_ != nullptr);
  const int symmetry = static_cast<int>(edit_.GetSymmetry());
  if (cboSymetria_->currentIndex() != symmetry) cboSymetria_->setCurrentIndex(symmetry);
}

void frmDiagram::symmetryChosen(int index) {
  edit_.SetSymmetry(static_cast<wypelniak::Symmetry>(index));
}

// ---- What fits ------------------------------------------------------------------

void frmDiagram::placeCandidate(QListWidgetItem* item) {
  if (fillJob_ || !item) return;
  std::basic_string<wypelniak::LetterCode> word;
  if (!wypelniak::WordCodes(item->text().toStdString(), word)) return;
  if (edit_.PlaceWord(edit_.CurrentSlot(), word)) refresh();
  diagram_->setFocus();
}

void frmDiagram::showHints(QListWidgetItem* item) {
  if (!item) return;
  frmPodpowiedzi hints(item->text(), programFolder_, this);
  hints.exec();
}

// ---- The fill -------------------------------------------------------------------

void frmDiagram::fillAll() {
  startFill({});
}

void frmDiagram::fillSelection() {
  if (edit_.Selection().Empty()) return;
  startFill(edit_.SlotsInArea(edit_.Selection()));
}

void frmDiagram::startFill(std::vector<char> chosen) {
  if (!loaded_ || fillJob_) return;
  wypelniak::FillOptions options;
  options.seed = fillSeed_++;  // another press, another fill
  options.fillSlots = std::move(chosen);
  options.preferClueable = session_->settings().preferClueable;
  options.minScore = session_->settings().minScore;
  const wypelniak::Grid base = edit_.GetGrid();
  diagram_->setReadOnly(true);
  lblStan_->setText(QStringLiteral("Wypełnianie…"));
  fillJob_ = std::make_unique<wypelniak::FillJob>(
      base, indexes_, options,
      [this](const wypelniak::FillProgress& p) {
        QMetaObject::invokeMethod(
            this,
            [this, p] {
              lblStan_->setText(fromUtf8(wypelniak::FillProgressText(p)));
            },
            Qt::QueuedConnection);
      },
      [this, base](wypelniak::FillResult result) {
        QMetaObject::invokeMethod(
            this, [this, base, result] { fillDone(base, result); }, Qt::QueuedConnection);
      });
  updateButtons();
}

void frmDiagram::stopFill() {
  if (!fillJob_) return;
  // A fill that ends before it hears the request is dropped too: the grid
  // stays as it was when "Przerwij" was pressed.
  stopRequested_ = true;
  fillJob_->Cancel();
}

void frmDiagram::fillDone(const wypelniak::Grid& base, const wypelniak::FillResult& result) {
  if (fillJob_) fillJob_->Wait();
  fillJob_.reset();
  diagram_->setReadOnly(false);
  const wypelniak::FillOutcome outcome = stopRequested_ ? wypelniak::FillOutcome::Cancelled : result.outcome;
  stopRequested_ = false;
  switch (outcome) {
    case wypelniak::FillOutcome::Filled:
      edit_.ApplyFill(base, result.grid);
      // The filled grid is on screen at once; the lists beside it follow.
      updateLiveView();
      diagram_->repaint();
      lblStan_->setText(
          QStringLiteral("Wypełniono w %1 s. Cofnięcie (Ctrl+Z) przywraca diagram sprzed wypełnienia.")
              .arg(result.seconds, 0, 'f', 2));
      refreshBesideGrid();
      emit fillEnded();
      return;
    case wypelniak::FillOutcome::Cancelled:
      lblStan_->setText(QStringLiteral("Wypełnianie przerwane; diagram jest taki jak przedtem."));
      break;
    default: {
      const std::string why = wypelniak::DescribeFillResult(result, wypelniak::FindSlots(base));
      lblStan_->setText(fromUtf8(why));
      refresh();
      showMessage(this, why, "", wypelniak::MessageIcon::Information);
    }
  }
  refresh();
  emit fillEnded();
}

// ---- Undo -----------------------------------------------------------------------

void frmDiagram::undo() {
  if (fillJob_) return;
  edit_.Undo();
  refresh();
}

void frmDiagram::redo() {
  if (fillJob_) return;
  edit_.Redo();
  refresh();
}

// ---- Files ----------------------------------------------------------------------

bool frmDiagram::openFile(const QString& path) {
  if (fillJob_) return false;
  const wypelniak::GridFileResult read = wypelniak::ReadGridFile(toPath(path));
  if (read.error != wypelniak::GridFileError::None) {
    showMessage(this, wypelniak::DescribeGridFileError(read), "", wypelniak::MessageIcon::Exclamation);
    return false;
  }
  edit_.Open(read.puzzle);
  session_->fileUsed(path);
  filePath_ = path.endsWith(QStringLiteral(".ipuz"), Qt::CaseInsensitive) ? path : QString();
  // A text grid is saved as .ipuz under a name the user chooses ("Zapisz jako").
  refresh();
  diagram_->setFocus();
  return true;
}

bool frmDiagram::saveFile(const QString& path) {
  if (session_->changedOnDisk(path) && !askToOverwriteChanged(this, path)) return false;
  const wypelniak::GridFileResult written = wypelniak::WriteGridFile(toPath(path), edit_.ToPuzzle());
  if (written.error != wypelniak::GridFileError::None) {
    showMessage(this, wypelniak::DescribeGridFileError(written), "", wypelniak::MessageIcon::Exclamation);
    return false;
  }
  edit_.MarkSaved();
  filePath_ = path;
  session_->fileUsed(path);
  session_->dropRecoveryCopy();
  refresh();
  return true;
}

bool frmDiagram::save() {
  return filePath_.isEmpty() ? saveAs() : saveFile(filePath_);
}

bool frmDiagram::saveAs() {
  QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Zapisz diagram"), filePath_,
                                              QStringLiteral("Krzyżówki ipuz (*.ipuz)"));
  if (path.isEmpty()) return false;
  if (!path.endsWith(QStringLiteral(".ipuz"), Qt::CaseInsensitive)) path += QStringLiteral(".ipuz");
  return saveFile(path);
}

bool frmDiagram::exportPdf(const QString& path) {
  if (!writePuzzlePdf(path, edit_.ToPuzzle(), this)) return false;
  lblStan_->setText(QStringLiteral("Zapisano PDF: %1").arg(path));
  return true;
}

void frmDiagram::exportChosen() {
  QString suggested = filePath_;
  if (suggested.endsWith(QStringLiteral(".ipuz"), Qt::CaseInsensitive)) suggested.chop(5);
  if (!suggested.isEmpty()) suggested += QStringLiteral(".pdf");
  QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Eksportuj do PDF"), suggested,
                                              QStringLiteral("Dokumenty PDF (*.pdf)"));
  if (path.isEmpty()) return;
  if (!path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) path += QStringLiteral(".pdf");
  exportPdf(path);
}

void frmDiagram::openChosen() {
  if (!maybeDropChanges()) return;
  const QString path =
      QFileDialog::getOpenFileName(this, QStringLiteral("Otwórz diagram"), QString(),
                                   QStringLiteral("Krzyżówki (*.ipuz *.txt);;Wszystkie pliki (*)"));
  if (!path.isEmpty() && openFile(path)) session_->dropRecoveryCopy();
}

void frmDiagram::openRecent(const QString& path) {
  if (fillJob_ || !maybeDropChanges()) return;
  if (!QFileInfo::exists(path)) {
    showMessage(this,
                "Nie ma już pliku " + path.toStdString() +
                    " (przeniesiono go albo usunięto). Usunięto go z listy ostatnio otwieranych; jeśli plik "
                    "jest w innym miejscu, otwórz go poleceniem Plik › Otwórz…",
                "", wypelniak::MessageIcon::Exclamation);
    session_->forgetFile(path);
    return;
  }
  if (openFile(path)) session_->dropRecoveryCopy();
}

void frmDiagram::editSettings() {
  if (fillJob_) return;
  wypelniak::SessionSettings settings = session_->settings();
  if (!editFillSettings(this, settings)) return;
  const bool rescore = settings.scoreFile != session_->settings().scoreFile;
  session_->setSettings(settings);
  if (rescore && shownOnce_) startLoading();
}

void frmDiagram::offerRecovery() {
  if (const QString problem = session_->takeProblem(); !problem.isEmpty())
    showMessage(this, problem.toStdString(), "", wypelniak::MessageIcon::Exclamation);
  const std::optional<wypelniak::RecoveryCopy> copy = session_->recoveryCopy();
  if (!copy || fillJob_) return;
  if (!askToRestore(this, *copy)) {
    session_->dropRecoveryCopy();
    return;
  }
  edit_.Open(copy->puzzle);
  edit_.MarkUnsaved();
  filePath_ = fromUtf8(copy->originalPath);
  if (!filePath_.isEmpty()) session_->fileUsed(filePath_);
  refresh();
  diagram_->setFocus();
}

void frmDiagram::newGrid() {
  if (fillJob_ || !maybeDropChanges()) return;
  int width = edit_.GetGrid().Width(), height = edit_.GetGrid().Height();
  int symmetry = static_cast<int>(edit_.GetSymmetry());
  if (!askNewGrid(this, width, height, symmetry)) return;
  edit_.NewGrid(width, height, static_cast<wypelniak::Symmetry>(symmetry));
  filePath_.clear();
  session_->dropRecoveryCopy();
  refresh();
  diagram_->setFocus();
}

bool frmDiagram::maybeDropChanges() {
  return !edit_.Modified() || askToDropChanges();
}

bool frmDiagram::defaultAskToDropChanges() {
  const QString name = filePath_.isEmpty() ? QStringLiteral("Diagram") : QFileInfo(filePath_).fileName();
  const auto answer = QMessageBox::question(
      this, kTitle, QStringLiteral("%1 ma niezapisane zmiany. Zapisać je?").arg(name),
      QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
  if (answer == QMessageBox::Save) return save();
  return answer == QMessageBox::Discard;
}

void frmDiagram::closeEvent(QCloseEvent* event) {
  if (!maybeDropChanges()) {
    event->ignore();
    return;
  }
  if (fillJob_) fillJob_->Cancel();
  session_->dropRecoveryCopy();
  event->accept();
}
