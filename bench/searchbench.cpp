// Times the program on a real word list, each figure beside a reference run
// in the same rounds (interleaved, medians printed):
//   - the first search of a fresh process in the main window (offscreen),
//     from the click on "Szukaj" until the list holding every row has been
//     painted, for twelve stars and for "k*********a*" on slow.12, against
//     GNU grep printing the same lines to a pipe; and the second search of
//     the same process;
//   - "k*********a*" on slow.12 made 10 and 50 times longer (its words
//     repeated, the count set to match), against the same grep;
//   - the memory the twelve-star search adds to the process, against the
//     file's size;
//   - the first addition of a fresh process to the largest file, against
//     cp of that file;
//   - the start of the program until its main window is mapped, against a
//     minimal Qt window with one line edit (startup_minimal).
//
//   search_bench PROGRAM_FOLDER [ROUNDS]
//
// The fresh processes are this program started again with a --child-...
// argument; each prints its figures on one line.
#include <QApplication>
#include <QLineEdit>
#include <QAbstractItemView>
#include <QPushButton>
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
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "addword.h"
#include "common.h"
#include "frmmain.h"
#include "resultmodel.h"
#include "wordlist.h"

#include "benchtime.h"

extern char** environ;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

using bench::Median;
using bench::MonotonicNs;

namespace {

double Ms(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

// A line of /proc/self/status, in KiB.
long StatusKiB(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const std::string prefix = std::string(key) + ":";
  while (std::getline(in, line))
    if (line.rfind(prefix, 0) == 0) return std::atol(line.c_str() + prefix.size());
  return -1;
}

struct Run {
  double ms = 0;  // from just before the start to the end of the output
  long long startNs = 0;
  std::string output;  // everything the process printed
};

// Starts a program (no shell) with its output to a pipe, reads it all and
// waits for the end.
Run Spawn(const std::vector<std::string>& args, bool cLocale = false) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e)
    if (!cLocale || std::string(*e).rfind("LC_", 0) != 0) env.emplace_back(*e);
  if (cLocale) env.emplace_back("LC_ALL=C");
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  int out[2];
  if (pipe(out) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  Run run;
  run.startNs = MonotonicNs();
  const auto start = Clock::now();
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
    std::fprintf(stderr, "cannot start %s\n", argv[0]);
    std::exit(1);
  }
  close(out[1]);
  static char buffer[1 << 16];
  ssize_t got = 0;
  while ((got = read(out[0], buffer, sizeof buffer)) > 0)
    run.output.append(buffer, static_cast<std::size_t>(got));
  close(out[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  run.ms = Ms(start, Clock::now());
  posix_spawn_file_actions_destroy(&actions);
  return run;
}

// key=value pairs of a child's line.
std::map<std::string, double> Figures(const std::string& line) {
  std::map<std::string, double> out;
  std::istringstream in(line);
  std::string item;
  while (in >> item) {
    const auto eq = item.find('=');
    if (eq != std::string::npos) out[item.substr(0, eq)] = std::atof(item.c_str() + eq + 1);
  }
  return out;
}

std::vector<std::string> Grep(const std::string& pattern, const fs::path& file) {
  std::string regex = "^";
  for (char c : pattern) regex += c == '*' ? "." : std::string(1, c);
  return {"grep", "-E", regex + "\r$", file.string()};
}

std::size_t Lines(const std::string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

void Row(const std::string& what, double ours, const char* refName, double ref) {
  std::printf("%-48s %9.2f ms   %-8s %9.2f ms   ratio %5.2f\n", what.c_str(), ours, refName, ref, ours / ref);
}

// Waits until the window is on the screen.
void WaitMapped(QWidget& window) {
  for (int i = 0; i < 100000; ++i) {
    QApplication::processEvents();
    if (window.windowHandle() && window.windowHandle()->isExposed()) return;
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  }
}

// Counts the paintings of a widget.
class PaintCounter : public QObject {
 public:
  int paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

// A fresh process: maps the main window, then searches twice, each time
// from the click until the list has been painted holding every row.
int ChildSearch(int argc, char* argv[], const fs::path& folder, const std::string& pattern) {
  QApplication app(argc, argv);
  int messages = 0;
  setMessageHandler([&](QWidget*, const QString&, const QString&, QMessageBox::Icon) { ++messages; });
  frmMain window;
  window.setProgramFolder(folder);
  window.show();
  WaitMapped(window);
  auto* text1 = window.findChild<QLineEdit*>("Text1");
  auto* command1 = window.findChild<QPushButton*>("Command1");
  auto* list1 = window.findChild<QAbstractItemView*>("List1");
  PaintCounter painted;
  list1->viewport()->installEventFilter(&painted);
  text1->setText(QString::fromStdString(pattern));
  QApplication::processEvents();

  // Each search: from the click until the list is painted holding every
  // row, and until the view has laid out every row (it lays them out in
  // batches after the first painting).
  double painted_ms[2] = {0, 0};
  double laid_ms[2] = {0, 0};
  const long rssBefore = StatusKiB("VmRSS");
  const long anonBefore = StatusKiB("RssAnon");
  long hwmAfter = 0, rssAfter = 0, anonAfter = 0;
  for (int round = 0; round < 2; ++round) {
    const int before = painted.paints;
    const auto start = Clock::now();
    command1->click();
    while (painted.paints == before) QApplication::processEvents();
    painted_ms[round] = Ms(start, Clock::now());
    const QAbstractItemModel* model = list1->model();
    const QModelIndex last = model->index(model->rowCount() - 1, 0);
    while (last.isValid() && !list1->visualRect(last).isValid()) QApplication::processEvents();
    laid_ms[round] = Ms(start, Clock::now());
    if (round == 0) {
      hwmAfter = StatusKiB("VmHWM");
      rssAfter = StatusKiB("VmRSS");
      anonAfter = StatusKiB("RssAnon");
    }
  }
  std::printf(
      "first=%.3f first_laid=%.3f second=%.3f second_laid=%.3f rows=%d messages=%d rss_before=%ld "
      "rss_after=%ld hwm_after=%ld anon_before=%ld anon_after=%ld\n",
      painted_ms[0], laid_ms[0], painted_ms[1], laid_ms[1], window.resultModel()->rowCount(), messages,
      rssBefore, rssAfter, hwmAfter, anonBefore, anonAfter);
  return 0;
}

class AddView : public wypelniak::AddWordView {
 public:
  std::string word;
  bool added = false;
  std::string WordText() override { return word; }
  void ShowMessage(std::string_view text, std::string_view, wypelniak::MessageIcon icon) override {
    added = icon == wypelniak::MessageIcon::Information;
    if (!added) std::fprintf(stderr, "komunikat: %.*s\n", static_cast<int>(text.size()), text.data());
  }
  void SelectWordText() override {}
  void FocusWord() override {}
  void ProcessPendingEvents() override {}
};

// A fresh process: one addition of an n-letter word.
int ChildAdd(const fs::path& folder, int n) {
  AddView view;
  view.word = std::string(static_cast<std::size_t>(n), 'q');
  const auto start = Clock::now();
  wypelniak::AddWordMemory memory;
  wypelniak::AddWord(view, memory, folder);
  std::printf("add=%.3f added=%d\n", Ms(start, Clock::now()), view.added ? 1 : 0);
  return 0;
}

// A fresh process: the program's own start, until the main window is
// mapped (as app/main.cpp, with the clock read at the mapping).
int ChildStart(int argc, char* argv[]) {
  QApplication app(argc, argv);
  frmMain window;
  window.show();
  WaitMapped(window);
  std::printf("mapped_ns=%lld\n", MonotonicNs());
  return 0;
}

// slow.12 with its words repeated times times and the count to match.
fs::path ScaledList(const fs::path& programFolder, const fs::path& list12, int times) {
  const fs::path folder = programFolder / ("bench-x" + std::to_string(times));
  const fs::path target = wypelniak::WordListPath(12, folder);
  std::ifstream in(list12, std::ios::binary);
  std::string data((std::istreambuf_iterator<char>(in)), {});
  const std::size_t firstEnd = data.find("\r\n") + 2;
  const long count = std::atol(data.substr(0, firstEnd).c_str());
  const std::string head = std::to_string(count * times) + "\r\n";
  const std::uintmax_t size = head.size() + (data.size() - firstEnd) * static_cast<std::uintmax_t>(times);
  std::error_code ec;
  if (fs::exists(target, ec) && fs::file_size(target, ec) == size) return fs::absolute(folder);
  fs::create_directories(target.parent_path());
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  out << head;
  for (int i = 0; i < times; ++i)
    out.write(data.data() + firstEnd, static_cast<std::streamsize>(data.size() - firstEnd));
  return fs::absolute(folder);
}

}  // namespace

int main(int argc, char* argv[]) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  if (argc >= 4 && std::string(argv[1]) == "--child-search") return ChildSearch(argc, argv, argv[2], argv[3]);
  if (argc >= 4 && std::string(argv[1]) == "--child-add") return ChildAdd(argv[2], std::atoi(argv[3]));
  if (argc >= 2 && std::string(argv[1]) == "--child-start") return ChildStart(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "użycie: %s FOLDER_PROGRAMU [RUNDY] [search|scale|add|start]...\n", argv[0]);
    return 2;
  }
  if (!std::getenv("XDG_RUNTIME_DIR")) {
    const fs::path runtime = fs::temp_directory_path() / ("runtime-" + std::to_string(getuid()));
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  }
  const fs::path self = fs::canonical("/proc/self/exe");
  const fs::path minimal = self.parent_path() / "startup_minimal";
  const fs::path folder = fs::absolute(argv[1]);
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 9;
  // The parts to run, all unless some are named.
  const std::vector<std::string> parts(argv + std::min(argc, 3), argv + argc);
  const auto part = [&parts](const char* name) {
    return parts.empty() || std::find(parts.begin(), parts.end(), name) != parts.end();
  };
  const fs::path list12 = wypelniak::WordListPath(12, folder);
  if (!fs::exists(list12)) {
    std::fprintf(stderr, "brak pliku %s\n", list12.c_str());
    return 1;
  }
  const auto fileBytes = static_cast<double>(fs::file_size(list12));
  std::printf(
      "word list: %s (%.0f bytes), median of %d interleaved rounds, each search in a fresh process\n\n",
      list12.c_str(), fileBytes, rounds);

  // First and second search, and the memory of the twelve-star one.
  const std::string stars(12, '*');
  const std::vector<std::string> patterns = {stars, "k*********a*"};
  std::map<std::string, std::vector<double>> first, firstLaid, second, secondLaid, grep, added, kept, anon;
  std::map<std::string, std::string> problems;
  for (int r = 0; r < rounds && (part("search") || part("scale")); ++r) {
    for (const std::string& p : patterns) {
      const Run child = Spawn({self.string(), "--child-search", folder.string(), p});
      const Run g = Spawn(Grep(p, list12), true);
      auto f = Figures(child.output);
      first[p].push_back(f["first"]);
      firstLaid[p].push_back(f["first_laid"]);
      second[p].push_back(f["second"]);
      secondLaid[p].push_back(f["second_laid"]);
      grep[p].push_back(g.ms);
      if (p == stars) {
        added[p].push_back((f["hwm_after"] - f["rss_before"]) * 1024);
        kept[p].push_back((f["rss_after"] - f["rss_before"]) * 1024);
        anon[p].push_back((f["anon_after"] - f["anon_before"]) * 1024);
      }
      if (f["rows"] != static_cast<double>(Lines(g.output)) || f["messages"] != 0)
        problems[p] = "  MISMATCH: " + std::to_string(static_cast<long>(f["rows"])) + " rows, grep " +
                      std::to_string(Lines(g.output)) + " lines";
    }
  }
  for (const std::string& p : patterns) {
    if (!part("search")) break;
    Row("first search " + p + " (window, fresh process)", Median(first[p]), "grep", Median(grep[p]));
    Row("  until every row is laid out", Median(firstLaid[p]), "grep", Median(grep[p]));
    Row("  second search of that process", Median(second[p]), "grep", Median(grep[p]));
    Row("  until every row is laid out", Median(secondLaid[p]), "grep", Median(grep[p]));
    if (problems.count(p)) std::printf("%s\n", problems[p].c_str());
  }
  if (part("search")) {
    std::printf("%-48s %9.2f MB   file     %9.2f MB   ratio %5.2f\n",
                ("memory added by the first " + stars + " search").c_str(), Median(added[stars]) / 1e6,
                fileBytes / 1e6, Median(added[stars]) / fileBytes);
    std::printf("%-48s %9.2f MB   file     %9.2f MB   ratio %5.2f\n", "  of it still held after the search",
                Median(kept[stars]) / 1e6, fileBytes / 1e6, Median(kept[stars]) / fileBytes);
    std::printf("%-48s %9.2f MB   file     %9.2f MB   ratio %5.2f\n", "  of it private (anonymous) memory",
                Median(anon[stars]) / 1e6, fileBytes / 1e6, Median(anon[stars]) / fileBytes);
  }

  // The same selective search on longer lists.
  if (part("scale")) {
    std::printf("\n");
    const std::string selective = "k*********a*";
    Row("k*********a* on slow.12 x1", Median(first[selective]), "grep", Median(grep[selective]));
    for (const int times : {10, 50}) {
      const fs::path scaled = ScaledList(folder, list12, times);
      const fs::path file = wypelniak::WordListPath(12, scaled);
      std::vector<double> ours, theirs;
      std::string problem;
      for (int r = 0; r < rounds; ++r) {
        const Run child = Spawn({self.string(), "--child-search", scaled.string(), selective});
        const Run g = Spawn(Grep(selective, file), true);
        auto f = Figures(child.output);
        ours.push_back(f["first"]);
        theirs.push_back(g.ms);
        if (f["rows"] != static_cast<double>(Lines(g.output)) || f["messages"] != 0)
          problem = "  MISMATCH: " + std::to_string(static_cast<long>(f["rows"])) + " rows";
      }
      Row("k*********a* on slow.12 x" + std::to_string(times) + " (" +
              std::to_string(fs::file_size(file) / 1000000) + " MB)",
          Median(ours), "grep", Median(theirs));
      std::printf("  per x1: %.2f ms (x1 first search %.2f ms)\n", Median(ours) / times,
                  Median(first[selective]));
      if (!problem.empty()) std::printf("%s\n", problem.c_str());
    }
  }

  // The first addition of a process to the largest file.
  if (part("add")) {
    std::printf("\n");
    fs::path largest;
    for (int n = wypelniak::MinWordLength; n <= wypelniak::MaxWordLength; ++n) {
      const fs::path p = wypelniak::WordListPath(n, folder);
      if (fs::exists(p) && (largest.empty() || fs::file_size(p) > fs::file_size(largest))) largest = p;
    }
    const fs::path scratch = fs::temp_directory_path() / ("wypelniak-bench-" + std::to_string(getpid()));
    fs::create_directories(scratch / "slow");
    const std::string name = largest.filename().string();
    const int n = std::stoi(name.substr(name.find('.') + 1));
    const fs::path target = wypelniak::WordListPath(n, scratch);
    const fs::path copy = scratch / "copy";
    std::vector<double> ours, theirs;
    for (int r = 0; r < rounds; ++r) {
      // Each starts on a settled file system: the blocks this loop frees
      // (the file replaced last round, cp's last copy) are otherwise freed
      // for good by whichever process next waits for the disk, which is the
      // addition's fsync and never cp.
      fs::copy_file(largest, target, fs::copy_options::overwrite_existing);
      ::sync();
      auto f = Figures(Spawn({self.string(), "--child-add", scratch.string(), std::to_string(n)}).output);
      if (f["added"] != 1) std::printf("  the addition failed\n");
      ours.push_back(f["add"]);
      fs::remove(copy);
      ::sync();
      theirs.push_back(Spawn({"cp", largest.string(), copy.string()}).ms);
    }
    Row("first addition of a process to " + name + " (" + std::to_string(fs::file_size(largest)) + " B)",
        Median(ours), "cp", Median(theirs));
    fs::remove_all(scratch);
  }

  // The start until the main window is mapped: offscreen, and on the X
  // server named by WYPELNIAK_BENCH_DISPLAY when there is one (there the
  // window system also takes the window's icon before it maps the window).
  if (part("start")) {
    const char* x = std::getenv("WYPELNIAK_BENCH_DISPLAY");
    for (const bool onX : {false, true}) {
      if (onX && (x == nullptr || *x == '\0')) break;
      const std::string platform = std::getenv("QT_QPA_PLATFORM");
      if (onX) {
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        setenv("DISPLAY", x, 1);
      }
      std::vector<double> ours, theirs;
      for (int r = 0; r < rounds; ++r) {
        const Run a = Spawn({self.string(), "--child-start"});
        ours.push_back(static_cast<double>(Figures(a.output)["mapped_ns"] - a.startNs) / 1e6);
        const Run b = Spawn({minimal.string()});
        theirs.push_back(static_cast<double>(Figures(b.output)["mapped_ns"] - b.startNs) / 1e6);
      }
      setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
      Row(onX ? "  the same on an X server (Xvfb), where it is mapped"
              : "start until the main window is shown (offscreen)",
          Median(ours), "minimal", Median(theirs));
    }
  }
  return 0;
}
