// Adds words to a word list from the command line, through the same code as
// the add-word window: used by the tests that kill an addition half-way and
// that run two additions at once.
//
//   addword_harness PROGRAM_FOLDER WORD...
//
// Prints one line per word: "dodany", "odmowa: <message>".
#include <cstdio>
#include <string>

#include "addword.h"

namespace {

class ConsoleView : public wypelniak::AddWordView {
 public:
  std::string word;
  bool added = false;

  std::string WordText() override { return word; }
  void ShowMessage(std::string_view text, std::string_view, wypelniak::MessageIcon icon) override {
    added = icon == wypelniak::MessageIcon::Information;
    if (!added) std::printf("odmowa: %.*s\n", static_cast<int>(text.size()), text.data());
  }
  void SelectWordText() override {}
  void FocusWord() override {}
  void ProcessPendingEvents() override {}
};

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 3) {
    std::fprintf(stderr, "użycie: %s FOLDER_PROGRAMU WYRAZ...\n", argv[0]);
    return 2;
  }
  int refused = 0;
  for (int i = 2; i < argc; ++i) {
    ConsoleView view;
    view.word = argv[i];
    wypelniak::AddWordMemory memory;
    wypelniak::AddWord(view, memory, argv[1]);
    if (view.added) {
      std::printf("dodany\n");
    } else {
      ++refused;
    }
    std::fflush(stdout);
  }
  return refused == 0 ? 0 : 1;
}
