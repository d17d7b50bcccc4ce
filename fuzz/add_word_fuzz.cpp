// The whole addition, with an arbitrary typed word (any bytes, valid UTF-8 or
// not) over an arbitrary word-list file. The word is added exactly when it can
// be stored (the format module's rule), the file is not UTF-8, its first line is a count, the search
// reads no word line otherwise (FindMisread) and no word line equals the word, both in lower case.
// Refused, the file stays byte for byte as it was; added, the new file is well formed: its count is
// its number of word lines, every line ends in CR LF, the old word lines follow unchanged and the
// new word comes last, and both readers read every word back as itself. No temporary copy stays
// behind either way.

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "addword.h"
#include "cp1250.h"
#include "fuzz_support.h"
#include "wordlist.h"

using namespace wypelniak;

namespace {

constexpr char kAddedTitle[] = "Dodałem wyraz";

// An add-word window reduced to a record of what the addition showed and did.
class Window : public AddWordView {
 public:
  explicit Window(std::string word) : word_(std::move(word)) {}

  std::string WordText() override { return word_; }
  void ShowMessage(std::string_view, std::string_view title, MessageIcon icon) override {
    this->title = title;
    this->icon = icon;
    calls += 'm';
  }
  void SelectWordText() override { calls += 's'; }
  void FocusWord() override { calls += 'f'; }
  void ProcessPendingEvents() override {}

  std::string title;
  MessageIcon icon = MessageIcon::None;
  std::string calls;  // m: message, s: select the word, f: focus the word

 private:
  std::string word_;
};

// Checks a file the addition wrote: from old, with stored (the new word in
// Windows-1250) added.
void CheckWritten(std::string_view written, std::string_view old, const std::string& stored) {
  // Every line ends in CR LF, the last one included.
  FUZZ_CHECK(written.size() >= 2 && written.substr(written.size() - 2) == "\r\n");
  for (std::size_t cr = written.find('\r'); cr != std::string_view::npos; cr = written.find('\r', cr + 1))
    FUZZ_CHECK(cr + 1 < written.size() && written[cr + 1] == '\n');

  // The count, then the old word lines unchanged, then the new word.
  const std::vector<std::string_view> lines = fuzz::Lines(written);
  std::vector<std::string_view> want = fuzz::Lines(old);
  want.erase(want.begin());
  want.push_back(stored);
  FUZZ_CHECK(!lines.empty());
  FUZZ_CHECK(lines[0] == std::to_string(lines.size() - 1));
  FUZZ_CHECK(std::vector<std::string_view>(lines.begin() + 1, lines.end()) == want);

  // The search reads the same count, and every word back as itself.
  const CountLine first = ReadCountLine(written);
  FUZZ_CHECK(first.error == CountError::None);
  FUZZ_CHECK(static_cast<std::size_t>(first.count) == want.size());
  CountedReader reader(written.substr(first.wordsStart));
  std::string_view value;
  for (const std::string_view word : want) {
    FUZZ_CHECK(reader.Next(value));
    FUZZ_CHECK(value == word);
  }
  FUZZ_CHECK(!reader.Next(value));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const fuzz::FramedInput in = fuzz::SplitInput(bytes, size);
  fuzz::ScratchFolder& folder = fuzz::ScratchFolder::Get();
  const std::vector<char32_t> chars = fuzz::Chars(in.typed);
  const int n = static_cast<int>(std::min<std::size_t>(chars.size(), 100));
  folder.Prepare(n, in.fileMissing, in.file);
  const std::set<std::string> namesBefore = folder.Names();
  const bool present = n >= MinWordLength && n <= MaxWordLength && !in.fileMissing;

  // Should the word go in?
  std::string stored;
  bool addable = fuzz::Storable(in.typed, &stored) && present && !LooksLikeUtf8(in.file);
  if (addable) {
    const std::vector<std::string_view> lines = fuzz::Lines(in.file);
    addable = !lines.empty() && ReadCountLine(in.file).error == CountError::None;
    const std::string lower = Cp1250ToLower(stored);
    for (std::size_t i = 1; addable && i < lines.size(); ++i)
      addable = FindMisread(lines[i]).kind == Misreading::None && Cp1250ToLower(lines[i]) != lower;
  }

  Window window(in.typed);
  AddWordMemory memory;
  AddWord(window, memory, folder.Program());

  // One message, then the word is selected and focused for the next one.
  FUZZ_CHECK(window.calls == "msf");
  const bool added = window.title == kAddedTitle;
  FUZZ_CHECK(added == addable);
  FUZZ_CHECK(window.icon == (added ? MessageIcon::Information : MessageIcon::Exclamation));
  if (!added) FUZZ_CHECK(window.title == ErrorTitle);

  // No temporary copy is left, and no word-list file comes or goes (the lock
  // file may stay).
  std::set<std::string> namesAfter = folder.Names();
  std::erase_if(namesAfter, [](const std::string& name) {
    return name.rfind("slow.", 0) != 0 && name.rfind("~slow.", 0) != 0;
  });
  FUZZ_CHECK(namesAfter == namesBefore);

  if (!present) return 0;
  std::string after;
  FUZZ_CHECK(fuzz::ReadFile(WordListPath(n, folder.Program()), after));
  if (added) {
    CheckWritten(after, in.file, stored);
  } else {
    FUZZ_CHECK(after == in.file);
  }
  return 0;
}
