// Times the search and the addition on a real word list, each beside a
// reference measured in the same run:
//   - the core search of slow.12 for "k*********a*" and for twelve stars,
//     against GNU grep with the same anchored pattern, output to a pipe;
//   - the main window from the click on "Szukaj" until the list holds every
//     result (offscreen), against the same grep;
//   - one addition to the largest word-list file, fsync included, against
//     copying that file with cp.
//
//   search_bench PROGRAM_FOLDER [RUNS]
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "addword.h"
#include "common.h"
#include "frmmain.h"
#include "patternsearch.h"
#include "resultmodel.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// The median time of runs calls of f, in milliseconds.
double MedianMs(int runs, const std::function<void()>& f) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    f();
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// Keeps the results as the window's list does: one buffer and offsets.
class BufferView : public wypelniak::SearchView {
 public:
  std::string pattern;
  std::string words;
  std::vector<std::size_t> ends;
  int messages = 0;

  std::string PatternText() override { return pattern; }
  void ShowMessage(std::string_view text, std::string_view, wypelniak::MessageIcon) override {
    ++messages;
    std::fprintf(stderr, "komunikat: %.*s\n", static_cast<int>(text.size()), text.data());
  }
  void ClearResults() override {
    words.clear();
    ends.clear();
  }
  void SetResultsVisible(bool) override {}
  void SetPatternEnabled(bool) override {}
  void ProcessPendingEvents() override {}
  void AddResult(std::string_view word) override {
    words.append(word);
    ends.push_back(words.size());
  }
};

// Runs a shell command and reads its whole output through a pipe; returns
// the number of lines.
std::size_t PipeLines(const std::string& command) {
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return 0;
  static char buffer[1 << 16];
  std::size_t lines = 0;
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
    lines += static_cast<std::size_t>(std::count(buffer, buffer + got, '\n'));
  pclose(pipe);
  return lines;
}

std::string GrepCommand(const std::string& pattern, const fs::path& file) {
  std::string regex = "^";
  for (char c : pattern) regex += c == '*' ? "." : std::string(1, c);
  return "LC_ALL=C grep -E '" + regex + "\r$' '" + file.string() + "'";
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

void Row(const char* what, double ours, const char* refName, double ref) {
  std::printf("%-44s %9.2f ms   %-14s %9.2f ms   ratio %5.2f\n", what, ours, refName, ref, ours / ref);
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 2) {
    std::fprintf(stderr, "użycie: %s FOLDER_PROGRAMU [POWTÓRZENIA]\n", argv[0]);
    return 2;
  }
  const fs::path folder = fs::absolute(argv[1]);
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 9;
  const fs::path list12 = wypelniak::WordListPath(12, folder);
  if (!fs::exists(list12)) {
    std::fprintf(stderr, "brak pliku %s\n", list12.c_str());
    return 1;
  }
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);

  std::printf("word list: %s (%ju bytes), median of %d runs\n\n", list12.c_str(),
              static_cast<std::uintmax_t>(fs::file_size(list12)), runs);
  const std::string stars(12, '*');

  for (const std::string& pattern : {std::string("k*********a*"), stars}) {
    BufferView view;
    view.pattern = pattern;
    const double core = MedianMs(runs, [&] { wypelniak::PatternSearch(view, folder); });
    std::size_t grepLines = 0;
    const double grep = MedianMs(runs, [&] { grepLines = PipeLines(GrepCommand(pattern, list12)); });
    const std::string what = "core search " + pattern + " (" + std::to_string(view.ends.size()) + " words)";
    Row(what.c_str(), core, "grep", grep);
    if (grepLines != view.ends.size() || view.messages != 0)
      std::printf("  MISMATCH: grep found %zu lines\n", grepLines);
  }

  {
    int messages = 0;
    setMessageHandler([&](QWidget*, const QString&, const QString&, QMessageBox::Icon) { ++messages; });
    frmMain window;
    window.setProgramFolder(folder);
    window.show();
    QApplication::processEvents();
    auto* text1 = window.findChild<QLineEdit*>("Text1");
    auto* command1 = window.findChild<QPushButton*>("Command1");
    text1->setText(QString::fromStdString(stars));
    // The first search of a process also pays for fresh memory and the
    // list's first layout: timed on its own.
    const double first = MedianMs(1, [&] {
      command1->click();
      QApplication::processEvents();
    });
    int rows = 0;
    const double ui = MedianMs(runs, [&] {
      command1->click();
      QApplication::processEvents();
      rows = window.resultModel()->rowCount();
    });
    std::size_t grepLines = 0;
    const double grep = MedianMs(runs, [&] { grepLines = PipeLines(GrepCommand(stars, list12)); });
    const std::string what = "window search " + stars + " (" + std::to_string(rows) + " rows)";
    Row(what.c_str(), ui, "grep", grep);
    Row("  the first window search of the process", first, "grep", grep);
    if (static_cast<std::size_t>(rows) != grepLines || messages != 0)
      std::printf("  MISMATCH: grep found %zu lines, %d messages\n", grepLines, messages);
  }

  {
    // The largest word-list file, copied to a scratch program folder.
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
    AddView view;
    view.word = std::string(static_cast<std::size_t>(n), 'q');
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
      fs::copy_file(largest, target, fs::copy_options::overwrite_existing);
      const auto start = Clock::now();
      wypelniak::AddWord(view, scratch);
      times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
      if (!view.added) std::printf("  the addition failed\n");
    }
    std::sort(times.begin(), times.end());
    const fs::path copy = scratch / "copy";
    const double cp = MedianMs(runs, [&] {
      PipeLines("cp '" + largest.string() + "' '" + copy.string() + "'");
    });
    const std::string what = "add a word to " + name + " (" + std::to_string(fs::file_size(largest)) + " bytes)";
    Row(what.c_str(), times[times.size() / 2], "cp", cp);
    fs::remove_all(scratch);
  }
  return 0;
}
