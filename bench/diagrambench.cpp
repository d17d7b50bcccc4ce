// The grid window (frmDiagram, offscreen) on the real word lists, each figure
// beside the core alone doing the same in the same run (medians):
//   key     a keystroke into a 15x15 grid with a fifth of its open cells
//           given, full list: from the key until the grid, the fitting words
//           and the red marks are painted again, beside the live view of
//           that grid alone;
//   start   a fresh process until the window's first paint with the list
//           loaded, the full list and the base forms, beside a fresh process
//           that only loads the same lexicon (and, of it, the live view of
//           the grid alone);
//   fill    "Wypełnij" on the empty 15x15 grid until the filled grid is
//           painted, and until the whole window is, beside the same fill
//           (same seed) by the engine alone.
//
//   diagram_bench FULL_FOLDER BASE_FOLDER GRID [ROUNDS] [key|start|fill]...
//
// Each folder is a program folder: slow/ (the word list) and tezaurus/.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "fill.h"
#include "frmdiagram.h"
#include "gridfile.h"
#include "lexicon.h"
#include "liveview.h"
#include "thesaurus.h"
#include "wordlist.h"
#include "wordscore.h"

#include "benchtime.h"

extern char** environ;

namespace fs = std::filesystem;
using bench::Clock;
using bench::Median;
using bench::MonotonicNs;
using bench::Ms;
using namespace wypelniak;

namespace {

void Row(const std::string& what, double ours, const char* refName, double ref) {
  std::printf("%-52s %9.2f ms   %-12s %9.2f ms   ratio %5.2f\n", what.c_str(), ours, refName, ref,
              ours / ref);
}

// The lexicon of a program folder as the window builds it.
Lexicon LoadLexicon(const fs::path& folder) {
  const fs::path list = DictionaryFolder(folder);
  ScoreSources sources;
  AddThesaurusWords(ThesaurusFolder(folder), sources);
  AddBaseForms(list, sources);
  Lexicon lexicon(list, std::move(sources));
  lexicon.Load();
  return lexicon;
}

// Handles one type of event itself, so that what comes after it is timed
// from the end of its handling; a delivery from within that handling goes on
// as usual.
class TimedFilter : public QObject {
 protected:
  explicit TimedFilter(QEvent::Type type) : type_(type) {}
  virtual void Handled(QObject* watched) = 0;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != type_ || inside_) return false;
    inside_ = true;
    QCoreApplication::sendEvent(watched, event);
    inside_ = false;
    Handled(watched);
    return true;
  }

 private:
  QEvent::Type type_;
  bool inside_ = false;
};

// Counts the paintings of a widget and keeps when the first painting of a
// grid with no empty cell left ended.
class PaintCounter : public TimedFilter {
 public:
  PaintCounter() : TimedFilter(QEvent::Paint) {}
  int paints = 0;
  bool full = false;
  Clock::time_point fullAt;

 private:
  void Handled(QObject* watched) override {
    ++paints;
    if (!full && !watched->property("rows").toString().contains(QLatin1Char('.'))) {
      full = true;
      fullAt = Clock::now();
    }
  }
};

// Counts the window's repaints (one repaint paints every widget marked for
// it and puts the result on screen) and keeps when the first one that
// painted a full grid ended.
class RepaintCounter : public TimedFilter {
 public:
  explicit RepaintCounter(const PaintCounter& grid) : TimedFilter(QEvent::UpdateRequest), grid_(grid) {}
  int repaints = 0;
  bool fullShown = false;
  Clock::time_point fullShownAt;

 private:
  void Handled(QObject*) override {
    ++repaints;
    if (grid_.full && !fullShown) {
      fullShown = true;
      fullShownAt = Clock::now();
    }
  }
  const PaintCounter& grid_;
};

// Processes events until the widget has been painted once more than before.
void WaitPainted(const PaintCounter& counter, int before) {
  while (counter.paints == before) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void WaitLoaded(frmDiagram& window) {
  while (!window.lexiconLoaded()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// Opens a grid in the window through a text file of its own.
bool OpenGrid(frmDiagram& window, const Grid& grid, const QTemporaryDir& scratch) {
  const QString path = scratch.filePath(QStringLiteral("diagram.txt"));
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  file.write(QByteArray::fromStdString(GridText(grid, false)));
  file.close();
  return window.openFile(path);
}

// ---- key ---------------------------------------------------------------------

// The cursor to a cell by arrow keys (not timed).
void MoveCursor(frmDiagram& window, QWidget* diagram, int row, int column) {
  while (window.edit().Row() != row || window.edit().Column() != column) {
    const int dr = row - window.edit().Row(), dc = column - window.edit().Column();
    QTest::keyClick(diagram, dr < 0   ? Qt::Key_Up
                             : dr > 0 ? Qt::Key_Down
                             : dc < 0 ? Qt::Key_Left
                                      : Qt::Key_Right);
  }
}

void KeyFigures(const fs::path& fullFolder, const Lexicon& full, const Lexicon& base, const Grid& grid,
                int rounds) {
  FillOptions options;
  options.timeLimit = std::chrono::seconds(30);
  const FillResult filled = FillGrid(grid, base.Indexes(), options);
  if (filled.outcome != FillOutcome::Filled) {
    std::printf("key: the grid could not be filled to take letters from\n");
    return;
  }
  // A fifth of the open cells keep their letters, chosen as grid_bench does.
  std::mt19937 random(7);
  Grid partial = grid;
  std::vector<int> empty;
  int open = 0;
  for (int i = 0; i < grid.CellCount(); ++i) {
    if (!grid.IsOpen(i)) continue;
    ++open;
    if (random() % 5 == 0) {
      partial.Set(i, filled.grid.At(i));
    } else {
      empty.push_back(i);
    }
  }
  std::vector<double> live;
  for (int r = 0; r < rounds; ++r) {
    const Clock::time_point start = Clock::now();
    const LiveView view(partial, full.Indexes());
    live.push_back(Ms(start));
  }

  QTemporaryDir scratch;
  frmDiagram window;
  window.setProgramFolder(fullFolder);
  window.resize(1100, 720);
  window.show();
  OpenGrid(window, partial, scratch);
  WaitLoaded(window);
  QWidget* diagram = window.findChild<QWidget*>(QStringLiteral("Diagram"));
  PaintCounter painted;
  diagram->installEventFilter(&painted);
  // Into each of a few empty cells, its letter of the fill, then Delete.
  std::vector<double> typed, deleted;
  const int cells = std::min<int>(static_cast<int>(empty.size()), std::max(10, rounds * 4));
  for (int k = 0; k < cells; ++k) {
    const int cell = empty[static_cast<std::size_t>(k) * empty.size() / static_cast<std::size_t>(cells)];
    MoveCursor(window, diagram, cell / grid.Width(), cell % grid.Width());
    QApplication::processEvents();
    std::string letter;
    AppendLetterUtf8(filled.grid.At(cell), letter);
    int before = painted.paints;
    Clock::time_point start = Clock::now();
    QTest::sendKeyEvent(QTest::Click, diagram, Qt::Key_unknown, QString::fromStdString(letter),
                        Qt::NoModifier);
    WaitPainted(painted, before);
    typed.push_back(Ms(start));
    MoveCursor(window, diagram, cell / grid.Width(), cell % grid.Width());
    QApplication::processEvents();
    before = painted.paints;
    start = Clock::now();
    QTest::keyClick(diagram, Qt::Key_Delete);
    WaitPainted(painted, before);
    deleted.push_back(Ms(start));
  }
  std::printf("keystroke, %dx%d grid, %d of %d open cells given, full list, %d cells:\n", grid.Width(),
              grid.Height(), open - static_cast<int>(empty.size()), open, cells);
  Row("  a letter typed, until painted (window)", Median(typed), "live view", Median(live));
  Row("  Delete, until painted (window)", Median(deleted), "live view", Median(live));
  std::sort(typed.begin(), typed.end());
  std::printf("  slowest letter: %.2f ms\n", typed.back());
  // Closed without its changes, so that it leaves no recovery copy for the next start.
  window.askToDropChanges = [] { return true; };
  window.close();
}

// ---- start -------------------------------------------------------------------

// The live view of the empty grid: what the window works out once the list is
// in, before that first paint.
void EmptyGridFigures(const Lexicon& full, const Lexicon& base, const Grid& grid, int rounds) {
  for (const auto& [name, lexicon] : {std::pair{"full list", &full}, std::pair{"base forms", &base}}) {
    std::vector<double> times;
    for (int r = 0; r < rounds; ++r) {
      const Clock::time_point start = Clock::now();
      const LiveView view(grid, lexicon->Indexes());
      times.push_back(Ms(start));
    }
    std::printf("  of the start: the live view of the empty grid, %-10s %9.2f ms\n", name, Median(times));
  }
}

struct Run {
  long long startNs = 0;
  std::string output;
};

Run Spawn(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  int out[2];
  if (pipe(out) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  Run run;
  run.startNs = MonotonicNs();
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
    std::fprintf(stderr, "cannot start %s\n", argv[0]);
    std::exit(1);
  }
  close(out[1]);
  char buffer[4096];
  ssize_t got = 0;
  while ((got = read(out[0], buffer, sizeof buffer)) > 0)
    run.output.append(buffer, static_cast<std::size_t>(got));
  close(out[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  posix_spawn_file_actions_destroy(&actions);
  return run;
}

// The milliseconds from the spawn to the "done_ns=" the child printed.
double ChildMs(const Run& run) {
  const auto at = run.output.find("done_ns=");
  if (at == std::string::npos) return -1;
  return static_cast<double>(std::atoll(run.output.c_str() + at + 8) - run.startNs) / 1e6;
}

// A fresh process: the window as wypelniak-diagram starts it, with a grid
// file, until its first paint after the list is in.
int ChildStart(int argc, char* argv[], const fs::path& folder, const QString& grid) {
  QApplication app(argc, argv);
  frmDiagram window;
  window.setProgramFolder(folder);
  window.openFile(grid);
  PaintCounter painted;
  window.findChild<QWidget*>(QStringLiteral("Diagram"))->installEventFilter(&painted);
  // The paintings until the list is in: the next one is the first with it
  // (it may come in the same turn of the event loop).
  int beforeList = -1;
  QObject::connect(&window, &frmDiagram::lexiconReady, [&] { beforeList = painted.paints; });
  window.show();
  while (beforeList < 0 || painted.paints == beforeList)
    QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  std::printf("done_ns=%lld\n", MonotonicNs());
  return 0;
}

// A fresh process: the lexicon alone, as the window builds it.
int ChildLoad(const fs::path& folder) {
  const Lexicon lexicon = LoadLexicon(folder);
  std::printf("done_ns=%lld words=%llu\n", MonotonicNs(),
              static_cast<unsigned long long>(lexicon.WordCount()));
  return 0;
}

void StartFigures(const fs::path& self, const fs::path& full, const fs::path& base, const std::string& grid,
                  int rounds) {
  for (const auto& [name, folder] : {std::pair{"full list", full}, std::pair{"base forms", base}}) {
    std::vector<double> ours, theirs;
    for (int r = 0; r < rounds; ++r) {
      ours.push_back(ChildMs(Spawn({self.string(), "--child-start", folder.string(), grid})));
      theirs.push_back(ChildMs(Spawn({self.string(), "--child-load", folder.string()})));
    }
    Row(std::string("start until the first paint with the list in, ") + name, Median(ours), "lexicon load",
        Median(theirs));
  }
}

// ---- fill --------------------------------------------------------------------

void FillFigures(const fs::path& folder, const char* name, const Lexicon& lexicon, const Grid& grid,
                 int rounds) {
  QTemporaryDir scratch;
  frmDiagram window;
  window.askToDropChanges = [] { return true; };
  window.setProgramFolder(folder);
  window.show();
  OpenGrid(window, grid, scratch);
  WaitLoaded(window);
  auto* button = window.findChild<QPushButton*>(QStringLiteral("Wypelnij"));
  PaintCounter painted;
  window.findChild<QWidget*>(QStringLiteral("Diagram"))->installEventFilter(&painted);
  RepaintCounter repainted(painted);
  QApplication::instance()->installEventFilter(&repainted);
  std::vector<double> ours, shown, applied, theirs, job;
  int filledOurs = 0, filledTheirs = 0, same = 0;
  for (int r = 0; r < rounds; ++r) {
    // The window's n-th press fills with seed n.
    QSignalSpy ended(&window, &frmDiagram::fillEnded);
    // A composer presses the button in a window at rest: what the opening of
    // the grid left to lay out and paint is done first.
    QTest::qWait(100);
    painted.full = repainted.fullShown = false;
    Clock::time_point start = Clock::now();
    button->click();
    while (ended.isEmpty()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    applied.push_back(Ms(start));
    for (const int before = repainted.repaints; repainted.repaints == before;)
      QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    ours.push_back(Ms(start));
    // On screen: the end of the repaint that painted the full grid (its
    // paint event's end when the grid was painted outside one).
    const Clock::time_point onScreen = repainted.fullShown ? repainted.fullShownAt : painted.fullAt;
    shown.push_back(painted.full ? std::chrono::duration<double, std::milli>(onScreen - start).count()
                                 : ours.back());
    filledOurs += window.edit().CanUndo();
    const Grid fromWindow = window.edit().GetGrid();
    OpenGrid(window, grid, scratch);
    FillOptions options;
    options.seed = static_cast<std::uint64_t>(r + 1);
    start = Clock::now();
    const FillResult result = FillGrid(grid, lexicon.Indexes(), options);
    theirs.push_back(Ms(start));
    // The same fill as the window runs it, on a thread of its own, without the window.
    start = Clock::now();
    {
      FillJob job(grid, lexicon.Indexes(), options, {}, [](FillResult) {});
      job.Wait();
    }
    job.push_back(Ms(start));
    filledTheirs += result.outcome == FillOutcome::Filled;
    same += result.outcome == FillOutcome::Filled && result.grid == fromWindow;
  }
  Row(std::string("fill, ") + name + ", until the filled grid is painted", Median(shown), "engine alone",
      Median(theirs));
  Row("  until the whole window is (the lists too)", Median(ours), "engine alone", Median(theirs));
  std::printf("  of it, until the fill is in the grid and the lists (not painted yet): %.2f ms\n",
              Median(applied));
  std::printf("  the engine on a thread of its own (FillJob), no window: %.2f ms\n", Median(job));
  // Each round's fill beside the same fill by the engine alone, so that the
  // machine's drift between rounds cancels out.
  std::vector<double> shownRatio, wholeRatio;
  for (std::size_t r = 0; r < theirs.size(); ++r) {
    shownRatio.push_back(shown[r] / theirs[r]);
    wholeRatio.push_back(ours[r] / theirs[r]);
  }
  std::printf("  median of the rounds' ratios: the filled grid painted %.2f, the whole window %.2f\n",
              Median(shownRatio), Median(wholeRatio));
  std::printf("  filled: window %d of %d, engine %d of %d; the same grid for the same seed: %d of %d\n",
              filledOurs, rounds, filledTheirs, rounds, same, rounds);
  QApplication::instance()->removeEventFilter(&repainted);
  window.close();
}

}  // namespace

int main(int argc, char* argv[]) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  if (argc >= 4 && std::string(argv[1]) == "--child-start")
    return ChildStart(argc, argv, argv[2], QString::fromLocal8Bit(argv[3]));
  if (argc >= 3 && std::string(argv[1]) == "--child-load") return ChildLoad(argv[2]);
  if (argc < 4) {
    std::fprintf(
        stderr,
        "użycie: %s FOLDER_PEŁNEJ_LISTY FOLDER_FORM_PODSTAWOWYCH DIAGRAM [RUNDY] [key|start|fill]...\n",
        argv[0]);
    return 2;
  }
  if (!std::getenv("XDG_RUNTIME_DIR")) {
    const fs::path runtime = fs::temp_directory_path() / ("runtime-" + std::to_string(getuid()));
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  }
  const fs::path self = fs::canonical("/proc/self/exe");
  const fs::path full = fs::absolute(argv[1]), base = fs::absolute(argv[2]);
  const std::string gridPath = fs::absolute(argv[3]).string();
  const int rounds = argc > 4 ? std::max(1, std::atoi(argv[4])) : 5;
  const std::vector<std::string> parts(argv + std::min(argc, 5), argv + argc);
  const auto part = [&parts](const char* name) {
    return parts.empty() || std::find(parts.begin(), parts.end(), name) != parts.end();
  };
  const GridFileResult grid = ReadGridFile(gridPath);
  if (grid.error != GridFileError::None) {
    std::fprintf(stderr, "%s\n", DescribeGridFileError(grid).c_str());
    return 1;
  }
  QApplication app(argc, argv);
  std::printf("grid %s, median of %d rounds\n", gridPath.c_str(), rounds);
  if (part("start")) StartFigures(self, full, base, gridPath, rounds);
  if (part("start") || part("key") || part("fill")) {
    const Lexicon fullLexicon = LoadLexicon(full), baseLexicon = LoadLexicon(base);
    if (part("start")) EmptyGridFigures(fullLexicon, baseLexicon, grid.puzzle.grid, rounds);
    if (part("key")) KeyFigures(full, fullLexicon, baseLexicon, grid.puzzle.grid, rounds);
    if (part("fill")) {
      FillFigures(base, "base forms", baseLexicon, grid.puzzle.grid, rounds);
      FillFigures(full, "full list", fullLexicon, grid.puzzle.grid, rounds);
    }
  }
  return 0;
}
