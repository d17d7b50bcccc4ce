// The whole search, with an arbitrary typed pattern (any bytes, valid UTF-8
// or not) over an arbitrary word-list file. The search must list exactly the
// words that comparing the decoded file with the pattern character by
// character finds, every one of the pattern's length, leaving out those that
// hold a control character; a refusal or a damaged, missing or UTF-8 file
// must give one message and no results; matches left out, and a count that
// is not the number of words, must be reported by one message after the list
// is complete; the pattern box must be enabled
// again at the end; and no file may be changed or created.

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cp1250.h"
#include "fuzz_support.h"
#include "patternsearch.h"
#include "wordlist.h"

using namespace wypelniak;

namespace {

// A main window reduced to what the search can change, checking as it goes
// that a message stands beside results only once the list is complete and
// shown, and that nothing is listed after a message.
class Window : public SearchView {
 public:
  explicit Window(std::string pattern) : pattern_(std::move(pattern)) {}

  std::string PatternText() override { return pattern_; }
  void ShowMessage(std::string_view, std::string_view title, MessageIcon icon) override {
    FUZZ_CHECK(messages == 0);
    FUZZ_CHECK(results.empty() || (resultsVisible && patternEnabled));
    ++messages;
    this->title = title;
    this->icon = icon;
  }
  void ClearResults() override {
    FUZZ_CHECK(messages == 0);
    results.clear();
  }
  void SetResultsVisible(bool visible) override { resultsVisible = visible; }
  void SetPatternEnabled(bool enabled) override { patternEnabled = enabled; }
  void ProcessPendingEvents() override {}
  void AddResult(std::string_view word) override {
    FUZZ_CHECK(messages == 0);
    results.emplace_back(word);
  }

  int messages = 0;
  std::string title;
  MessageIcon icon = MessageIcon::None;
  std::vector<std::string> results;
  bool resultsVisible = true;
  bool patternEnabled = true;

 private:
  std::string pattern_;
};

// What the search should do: list these words, and show a message with this
// title and icon (a refusal, with no words, or a warning after them).
struct Expected {
  bool finished = false;  // the whole file was read and the list shown
  bool message = false;
  std::string title;
  MessageIcon icon = MessageIcon::None;
  std::vector<std::string> words;
};

Expected Refusal(std::string title, MessageIcon icon) {
  return {false, true, std::move(title), icon, {}};
}

Expected Expect(const std::string& pattern, bool fileMissing, std::string_view file) {
  if (pattern.empty()) return {};
  const std::vector<char32_t> cells = fuzz::Chars(pattern);
  const std::size_t length = cells.size();
  if (length < MinWordLength) return Refusal("", MessageIcon::None);
  bool wildcard = false;
  for (std::size_t k = 0; k < length && k < MaxWordLength; ++k) wildcard = wildcard || cells[k] == U'*';
  if (!wildcard || length > MaxWordLength || fileMissing)
    return Refusal(ErrorTitle, MessageIcon::Exclamation);

  if (LooksLikeUtf8(file)) return Refusal(ErrorTitle, MessageIcon::Exclamation);
  const CountLine first = ReadCountLine(file);
  if (first.error != CountError::None) return Refusal(ErrorTitle, MessageIcon::Exclamation);
  const std::int32_t count = first.count;
  CountedReader reader(file.substr(first.wordsStart));
  std::string_view value;
  Expected listed;
  listed.finished = true;
  std::int64_t found = count;
  for (std::int32_t i = 0; i < count; ++i) {
    if (!reader.Next(value)) {
      found = i;
      break;
    }
    const std::string word = Cp1250ToUtf8(value);
    const std::vector<char32_t> chars = fuzz::Chars(word);
    bool agrees = chars.size() == length;
    for (std::size_t k = 0; agrees && k < length; ++k) agrees = cells[k] == U'*' || cells[k] == chars[k];
    if (!agrees) continue;
    if (std::any_of(chars.begin(), chars.end(), fuzz::IsControl)) {
      listed.message = true;
    } else {
      listed.words.push_back(word);
    }
  }
  // More words than the count, or fewer: listed as far as the count goes, and
  // said once after the list.
  if (found == count)
    while (reader.Next(value))
      if (!value.empty()) ++found;
  if (found != count) listed.message = true;
  if (listed.message) {
    listed.title = ErrorTitle;
    listed.icon = MessageIcon::Exclamation;
  }
  return listed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const fuzz::FramedInput in = fuzz::SplitInput(bytes, size);
  fuzz::ScratchFolder& folder = fuzz::ScratchFolder::Get();
  const std::size_t length = Utf8Length(in.typed);
  folder.Prepare(static_cast<int>(std::min<std::size_t>(length, 100)), in.fileMissing, in.file);
  const auto namesBefore = folder.Names();

  Window window(in.typed);
  SearchMemory memory;
  PatternSearch(window, memory, folder.Program());

  // Nothing on the disk changes.
  FUZZ_CHECK(folder.Names() == namesBefore);
  if (!in.fileMissing && length >= MinWordLength && length <= MaxWordLength) {
    std::string after;
    FUZZ_CHECK(fuzz::ReadFile(WordListPath(static_cast<int>(length), folder.Program()), after));
    FUZZ_CHECK(after == in.file);
  }

  // Every word listed has the pattern's length and its letters.
  const std::vector<char32_t> cells = fuzz::Chars(in.typed);
  for (const std::string& word : window.results) {
    const std::vector<char32_t> chars = fuzz::Chars(word);
    FUZZ_CHECK(Utf8Length(word) == length);
    for (std::size_t k = 0; k < length; ++k) FUZZ_CHECK(cells[k] == U'*' || cells[k] == chars[k]);
  }

  // The search does what the pattern and the file call for, and never leaves
  // the pattern box disabled.
  const Expected expected = Expect(in.typed, in.fileMissing, in.file);
  FUZZ_CHECK(window.messages == (expected.message ? 1 : 0));
  if (expected.message) {
    FUZZ_CHECK(window.title == expected.title);
    FUZZ_CHECK(window.icon == expected.icon);
  }
  if (expected.finished) FUZZ_CHECK(window.resultsVisible);
  FUZZ_CHECK(window.results == expected.words);
  FUZZ_CHECK(window.patternEnabled);
  return 0;
}
