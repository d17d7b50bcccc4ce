// The fill benchmark's reference: a crossword grid filled by a plain
// constraint model in Gecode, as a newcomer to the solver would write it.
// One word variable per slot (an index into the word list of its length),
// one letter variable per cell, one element constraint per letter of a slot
// linking the two, distinct over the word variables of each length, and a
// depth-first search branching on the word variable with the smallest domain,
// a random word of it first. It reads the same words as the program's fill:
// the word list through the core's format module, each word folded to lower
// case, only words made of the alphabet's letters, no word twice.
//
//   gecode_fill GRID FOLDER [--seconds S] [--seed N]
//
// Exit status as wypelniak-slownik fill: 0 filled (the grid on stdout in the
// text form), 1 no fill exists, 2 the time limit came first, 3 a bad grid or
// list. The limit counts from the start of the process, loading included.
#include <gecode/int.hh>
#include <gecode/search.hh>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "alphabet.h"
#include "grid.h"
#include "wordlist.h"

namespace {

using namespace wypelniak;
using Clock = std::chrono::steady_clock;

constexpr int kFilled = 0;
constexpr int kNoFill = 1;
constexpr int kTimeLimit = 2;
constexpr int kBadInput = 3;

// The words of one length, as letter codes: letters[position][word].
struct Words {
  int count = 0;
  std::vector<Gecode::IntSharedArray> letters;
};

bool ReadFile(const std::filesystem::path& path, std::string& data) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

// The words of slow.<length>: the values after the count line, as many as it
// says, each of exactly length letters of the alphabet once folded to lower
// case; a word met again is dropped.
bool LoadWords(const std::filesystem::path& folder, int length, Words& words, std::string& problem) {
  words = Words{};
  if (length > MaxWordLength) return true;
  const std::filesystem::path path = folder / ("slow." + std::to_string(length));
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return true;  // a missing length holds no words
  std::string data;
  if (!std::filesystem::is_regular_file(path, ec) || !ReadFile(path, data)) {
    problem = "Nie można odczytać pliku słownika " + PathText(path) + ".";
    return false;
  }
  const CountLine first = ReadCountLine(data);
  if (first.error != CountError::None) {
    problem = CountLineMessage(path, first);
    return false;
  }
  std::set<std::basic_string<LetterCode>> seen;
  std::vector<std::basic_string<LetterCode>> kept;
  CountedReader reader(std::string_view(data).substr(first.wordsStart));
  std::string_view value;
  std::basic_string<LetterCode> codes;
  for (std::int32_t read = 0; read < first.count && reader.Next(value); ++read) {
    if (value.size() != static_cast<std::size_t>(length)) continue;
    codes.clear();
    for (const char byte : value) {
      const LetterCode c = LetterOfCp1250(static_cast<unsigned char>(byte));
      if (c == kNoLetter) break;
      codes.push_back(c);
    }
    if (codes.size() == value.size() && seen.insert(codes).second) kept.push_back(codes);
  }
  words.count = static_cast<int>(kept.size());
  for (int p = 0; p < length && words.count > 0; ++p) {
    Gecode::IntSharedArray column(words.count);
    for (int w = 0; w < words.count; ++w) column[w] = kept[static_cast<std::size_t>(w)][static_cast<std::size_t>(p)];
    words.letters.push_back(column);
  }
  return true;
}

class FillModel : public Gecode::Space {
 public:
  FillModel(const Grid& grid, const std::vector<Slot>& slots, const std::map<int, Words>& words,
            unsigned seed)
      : words_(*this, static_cast<int>(slots.size())), letters_(*this, grid.CellCount(), 0, kLetterCount - 1) {
    std::map<int, Gecode::IntVarArgs> byLength;
    for (std::size_t s = 0; s < slots.size(); ++s) {
      const Slot& slot = slots[s];
      const Words& list = words.at(slot.length);
      const int i = static_cast<int>(s);
      words_[i] = Gecode::IntVar(*this, 0, list.count - 1);
      for (int p = 0; p < slot.length; ++p)
        Gecode::element(*this, list.letters[static_cast<std::size_t>(p)], words_[i],
                        letters_[slot.cells[static_cast<std::size_t>(p)]]);
      byLength[slot.length] << words_[i];
    }
    for (const auto& [length, vars] : byLength) Gecode::distinct(*this, vars);
    for (int c = 0; c < grid.CellCount(); ++c)
      if (grid.HasLetter(c)) Gecode::rel(*this, letters_[c], Gecode::IRT_EQ, grid.At(c));
    Gecode::branch(*this, words_, Gecode::INT_VAR_SIZE_MIN(), Gecode::INT_VAL_RND(Gecode::Rnd(seed)));
  }

  FillModel(FillModel& other) : Gecode::Space(other) {
    words_.update(*this, other.words_);
    letters_.update(*this, other.letters_);
  }
  Gecode::Space* copy() override { return new FillModel(*this); }

  // The grid with every cell of a slot given its letter.
  Grid Filled(const Grid& grid, const std::vector<Slot>& slots) const {
    Grid out = grid;
    for (const Slot& slot : slots)
      for (const int c : slot.cells) out.Set(c, static_cast<CellValue>(letters_[c].val()));
    return out;
  }

 private:
  Gecode::IntVarArray words_;
  Gecode::IntVarArray letters_;
};

struct Options {
  std::string grid;
  std::string folder;
  double seconds = 30;
  unsigned seed = 1;
};

bool ParseOptions(int argc, char** argv, Options& options) {
  std::vector<std::string> operands;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    try {
      if (arg == "--seconds" && i + 1 < argc) {
        options.seconds = std::stod(argv[++i]);
      } else if (arg == "--seed" && i + 1 < argc) {
        options.seed = static_cast<unsigned>(std::stoul(argv[++i]));
      } else if (arg.starts_with("--")) {
        return false;
      } else {
        operands.push_back(arg);
      }
    } catch (const std::exception&) {
      return false;
    }
  }
  if (operands.size() != 2) return false;
  options.grid = operands[0];
  options.folder = operands[1];
  return true;
}

int Run(const Options& options, Clock::time_point start) {
  std::string text;
  if (!ReadFile(options.grid, text)) {
    std::cerr << "Nie można odczytać pliku krzyżówki " << options.grid << ".\n";
    return kBadInput;
  }
  const GridTextResult parsed = ParseGridText(text);
  if (parsed.error != GridTextError::None) {
    std::cerr << "Plik krzyżówki " << options.grid << ": " << DescribeGridTextError(parsed) << "\n";
    return kBadInput;
  }
  std::error_code ec;
  if (!std::filesystem::is_directory(options.folder, ec)) {
    std::cerr << "Nie znaleziono folderu słownika " << options.folder << ".\n";
    return kBadInput;
  }
  const Grid& grid = parsed.grid;
  const std::vector<Slot> slots = FindSlots(grid);
  std::map<int, Words> words;
  for (const Slot& slot : slots) {
    if (words.contains(slot.length)) continue;
    std::string problem;
    if (!LoadWords(options.folder, slot.length, words[slot.length], problem)) {
      std::cerr << problem << "\n";
      return kBadInput;
    }
    if (words[slot.length].count == 0) {
      std::cerr << "Brak wyrazów " << slot.length << "-literowych: hasło " << slot.number
                << (slot.direction == Direction::Across ? " poziomo" : " pionowo") << " nie ma wypełnienia.\n";
      return kNoFill;
    }
  }

  auto root = std::make_unique<FillModel>(grid, slots, words, options.seed);
  if (root->status() == Gecode::SS_FAILED) {
    std::cerr << "Krzyżówki nie da się wypełnić (sprzeczność już przed szukaniem).\n";
    return kNoFill;
  }
  const double spent = std::chrono::duration<double>(Clock::now() - start).count();
  const double left = std::max(0.001, options.seconds - spent);
  std::unique_ptr<Gecode::Search::Stop> stop(
      Gecode::Search::Stop::time(static_cast<unsigned long>(left * 1000.0)));
  Gecode::Search::Options search;
  search.stop = stop.get();
  search.threads = 1;
  Gecode::DFS<FillModel> engine(root.get(), search);
  root.reset();
  std::unique_ptr<FillModel> solution(engine.next());
  if (solution) {
    std::cout << GridText(solution->Filled(grid, slots));
    return kFilled;
  }
  if (engine.stopped()) {
    std::cerr << "Przekroczono limit czasu (" << options.seconds << " s).\n";
    return kTimeLimit;
  }
  std::cerr << "Krzyżówki nie da się wypełnić: przeszukano wszystkie możliwości.\n";
  return kNoFill;
}

}  // namespace

int main(int argc, char** argv) {
  const Clock::time_point start = Clock::now();
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::cerr << "Użycie: gecode_fill KRZYŻÓWKA FOLDER [--seconds S] [--seed N]\n";
    return kBadInput;
  }
  return Run(options, start);
}
