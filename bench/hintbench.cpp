// Times the clue hints on the real thesaurus beside the program, each beside
// one search for the word's pattern (its first and last letter, stars
// between: "k*t" for "kot") in the same run:
//   - a lookup in the core, the index already read, and the first lookup of
//     a process, which reads the index;
//   - the main window from a double-click on the word in the result list
//     until the hint window has been shown and drawn (offscreen).
//
//   hint_bench PROGRAM_FOLDER [RUNS] [WORD...]
#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common.h"
#include "cp1250.h"
#include "frmmain.h"
#include "frmpodpowiedzi.h"
#include "patternsearch.h"
#include "thesaurus.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The median time of runs calls of f, in milliseconds.
double MedianMs(int runs, const std::function<void()>& f) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    f();
    times.push_back(Ms(start));
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// Counts the matches of a search.
class CountingView : public wypelniak::SearchView {
 public:
  std::string pattern;
  std::size_t found = 0;
  std::string PatternText() override { return pattern; }
  void ShowMessage(std::string_view text, std::string_view, wypelniak::MessageIcon) override {
    std::fprintf(stderr, "komunikat: %.*s\n", static_cast<int>(text.size()), text.data());
  }
  void ClearResults() override { found = 0; }
  void SetResultsVisible(bool) override {}
  void SetPatternEnabled(bool) override {}
  void ProcessPendingEvents() override {}
  void AddResult(std::string_view) override { ++found; }
};

// The word's first and last letter with stars between.
std::string PatternOf(const std::string& word) {
  std::vector<std::string> letters;
  std::size_t pos = 0, start = 0;
  char32_t c = 0;
  while (wypelniak::NextUtf8Char(word, pos, c)) {
    letters.push_back(word.substr(start, pos - start));
    start = pos;
  }
  std::string pattern = letters.front();
  for (std::size_t i = 1; i + 1 < letters.size(); ++i) pattern += '*';
  return pattern + letters.back();
}

void Row(const std::string& what, double ours, double search) {
  std::printf("%-46s %8.3f ms   search %8.3f ms   ratio %6.2f\n", what.c_str(), ours, search, ours / search);
}

void SendMouse(QWidget* target, QEvent::Type type, QPoint at) {
  QMouseEvent event(type, at, target->mapToGlobal(at), Qt::LeftButton,
                    type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &event);
}

// Double-clicks at a point of the list and returns the milliseconds until
// the hint window has been shown and drawn whole, or -1 when none opened.
double DoubleClickToHint(QAbstractItemView* list, QPoint at) {
  Clock::time_point start;
  double ms = -1;
  // Runs inside the hint window's own event loop, once it is showing: draws
  // it whole, notes the time and closes it.
  QTimer::singleShot(0, [&] {
    if (auto* hints = qobject_cast<frmPodpowiedzi*>(QApplication::activeModalWidget())) {
      hints->grab();
      ms = Ms(start);
      hints->reject();
    }
  });
  start = Clock::now();
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonPress,
                            QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease})
    SendMouse(list->viewport(), type, at);
  QApplication::processEvents();
  return ms;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 2) {
    std::fprintf(stderr, "użycie: %s FOLDER_PROGRAMU [POWTÓRZENIA] [WYRAZ...]\n", argv[0]);
    return 2;
  }
  const fs::path folder = fs::absolute(argv[1]);
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 21;
  std::vector<std::string> words;
  for (int i = 3; i < argc; ++i) words.emplace_back(argv[i]);
  if (words.empty()) words = {"kot", "pies", "zamek", "samochód"};
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  setMessageHandler([](QWidget*, const QString& text, const QString&, QMessageBox::Icon) {
    std::fprintf(stderr, "komunikat: %s\n", qPrintable(text));
  });

  const fs::path thesaurusFolder = wypelniak::ThesaurusFolder(folder);
  std::printf("thesaurus: %s, word list: %s, median of %d runs\n\n", thesaurusFolder.c_str(),
              wypelniak::DictionaryFolder(folder).c_str(), runs);

  frmMain window;
  window.setProgramFolder(folder);
  window.show();
  QApplication::processEvents();
  auto* text1 = window.findChild<QLineEdit*>("Text1");
  auto* command1 = window.findChild<QPushButton*>("Command1");
  auto* list1 = window.findChild<QAbstractItemView*>("List1");
  if (!text1 || !command1 || !list1) {
    std::fprintf(stderr, "the main window lacks Text1, Command1 or List1\n");
    return 1;
  }

  // The first hint of the process reads the index: the first row of the
  // first word's search, double-clicked once.
  text1->setText(QString::fromStdString(PatternOf(words.front())));
  command1->click();
  QApplication::processEvents();
  if (list1->model()->rowCount() > 0) {
    const QModelIndex first = list1->model()->index(0, 0);
    const double ms = DoubleClickToHint(list1, list1->visualRect(first).center());
    std::printf("first hint of a process, on %s (reads the index): %.3f ms from the double-click\n",
                qPrintable(first.data().toString()), ms);
  }

  {
    const auto start = Clock::now();
    wypelniak::Thesaurus fresh = wypelniak::Thesaurus::InFolder(thesaurusFolder);
    const wypelniak::ThesaurusLookup r = fresh.Lookup(words.front());
    const double first = Ms(start);
    if (r.status == wypelniak::LookupStatus::Unavailable) {
      std::fprintf(stderr, "%s\n", r.error.c_str());
      return 1;
    }
    std::printf("lookup with a fresh reading of the index (%zu headwords): %.3f ms\n\n", fresh.Size(), first);
  }

  wypelniak::Thesaurus& thesaurus = wypelniak::ProgramThesaurus(folder);
  wypelniak::SearchMemory memory;  // kept from search to search, as the window keeps it

  for (const std::string& word : words) {
    CountingView view;
    view.pattern = PatternOf(word);
    const double search = MedianMs(runs, [&] { wypelniak::PatternSearch(view, memory, folder); });
    std::size_t meanings = 0;
    const double lookup = MedianMs(runs, [&] {
      meanings = 0;
      for (const auto& e : thesaurus.Lookup(word).entries) meanings += e.meanings.size();
    });
    Row("lookup " + word + " (" + std::to_string(meanings) + " meanings)", lookup, search);

    // The word's row after a search for its pattern.
    text1->setText(QString::fromStdString(view.pattern));
    command1->click();
    QApplication::processEvents();
    const QString wanted = QString::fromStdString(word);
    QModelIndex row;
    for (int i = 0; i < list1->model()->rowCount() && !row.isValid(); ++i)
      if (list1->model()->index(i, 0).data().toString() == wanted) row = list1->model()->index(i, 0);
    if (!row.isValid()) {
      std::printf("  %s is not in the word list: no window timing\n", word.c_str());
      continue;
    }
    list1->scrollTo(row);
    const QPoint at = list1->visualRect(row).center();
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
      const double ms = DoubleClickToHint(list1, at);
      if (ms < 0)
        std::printf("  the double-click opened no hint window\n");
      else
        times.push_back(ms);
    }
    if (!times.empty()) {
      std::sort(times.begin(), times.end());
      Row("  double-click to hint window drawn", times[times.size() / 2], search);
      Row("  the slowest of the runs", times.back(), search);
    }
  }
  return 0;
}
