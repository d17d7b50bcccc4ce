// fill: a grid filled from the word list, as text on standard output.
#include <charconv>
#include <cmath>

#include "fill.h"
#include "grid.h"
#include "gridfile.h"
#include "internal.h"
#include "lexicon.h"
#include "platform.h"
#include "thesaurus.h"
#include "wordscore.h"

namespace wypelniak::slownik {
namespace fs = std::filesystem;

namespace {

struct FillCommand {
  FillOptions options;
  fs::path grid;
  fs::path folder;
  fs::path scores;
  fs::path ipuz;
};

bool ParseNumber(const std::string& text, double& value) {
  const auto [ptr, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && ptr == text.data() + text.size() && std::isfinite(value);
}

// Reads the command line; an empty text, or what is wrong with it.
std::string ParseFill(const std::vector<std::string>& args, const fs::path& programFolder, FillCommand& command) {
  std::vector<std::string> operands;
  command.options.timeLimit = std::chrono::seconds(60);
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool takesValue = a == "--seconds" || a == "--seed" || a == "--scores" || a == "--min-score" || a == "--ipuz";
    if (takesValue && i + 1 >= args.size()) return "Opcja " + a + " wymaga wartości.";
    double number = 0;
    if (a == "--seconds") {
      if (!ParseNumber(args[++i], number) || number <= 0 || number > 1e6) return "--seconds: podaj liczbę sekund większą od zera.";
      command.options.timeLimit = std::chrono::milliseconds(static_cast<std::int64_t>(number * 1000));
    } else if (a == "--seed") {
      if (!ParseNumber(args[++i], number) || number < 0 || number != std::floor(number) || number > 1e18)
        return "--seed: podaj liczbę całkowitą nieujemną.";
      command.options.seed = static_cast<std::uint64_t>(number);
    } else if (a == "--min-score") {
      if (!ParseNumber(args[++i], number) || number < 0 || number > kMaxScore || number != std::floor(number))
        return "--min-score: podaj liczbę całkowitą od 0 do 100.";
      command.options.minScore = static_cast<int>(number);
    } else if (a == "--scores") {
      command.scores = detail::PathArg(args[++i]);
    } else if (a == "--ipuz") {
      command.ipuz = detail::PathArg(args[++i]);
    } else if (a == "--no-preference") {
      command.options.preferClueable = false;
    } else if (a.size() > 1 && a[0] == '-') {
      return "Nieznana opcja: " + a;
    } else {
      operands.push_back(a);
    }
  }
  if (operands.empty() || operands.size() > 2) return "Podaj plik diagramu i, jeśli trzeba, folder listy słów.";
  command.grid = detail::PathArg(operands[0]);
  if (operands.size() == 2) command.folder = detail::PathArg(operands[1]);
  else if (programFolder.empty()) return "Nie można ustalić folderu programu; podaj FOLDER.";
  else command.folder = DictionaryFolder(programFolder);
  return {};
}

bool HasWordList(const fs::path& folder) {
  std::error_code ec;
  for (int n = MinWordLength; n <= MaxWordLength; ++n)
    if (fs::exists(folder / WordListPath(n, fs::path()).filename(), ec)) return true;
  return false;
}

// The lexicon with the scores the command asks for; false after a message.
bool LoadLexicon(const FillCommand& command, const fs::path& programFolder, const Grid& grid, Lexicon& lexicon,
                 std::ostream& err) {
  // Only the lengths of the grid's slots are read.
  std::vector<bool> lengths(MaxWordLength + 1, false);
  for (const Slot& slot : FindSlots(grid))
    if (slot.length <= MaxWordLength) lengths[static_cast<std::size_t>(slot.length)] = true;
  ScoreSources sources;
  if (!programFolder.empty()) AddThesaurusWords(ThesaurusFolder(programFolder), sources, lengths);
  AddBaseForms(command.folder, sources);
  if (!command.scores.empty()) {
    if (const ScoreFileError e = ReadScoreFile(command.scores, sources); e.kind != ScoreFileError::None) {
      err << DescribeScoreFileError(command.scores, e) << '\n';
      return false;
    }
  }
  lexicon = Lexicon(command.folder, std::move(sources));
  lexicon.Load({}, nullptr, lengths);
  bool sound = true;
  for (int n = MinWordLength; n <= MaxWordLength; ++n) {
    if (lexicon.Report(n).problem.empty()) continue;
    err << lexicon.Report(n).problem << '\n';
    sound = false;
  }
  if (sound && !HasWordList(command.folder)) {
    err << "Folder " << PathText(command.folder) << " nie zawiera listy słów (plików slow.2 … slow.22). "
        << "Zbuduj ją poleceniem: wypelniak-slownik build\n";
    sound = false;
  }
  return sound;
}

}  // namespace

int RunFill(const std::vector<std::string>& args, const fs::path& programFolder, std::ostream& out,
            std::ostream& err) {
  FillCommand command;
  if (const std::string wrong = ParseFill(args, programFolder, command); !wrong.empty()) {
    err << wrong << "\nOpis użycia: wypelniak-slownik --help\n";
    return kFillBadInput;
  }
  GridFileResult read = ReadGridFile(command.grid);
  if (read.error != GridFileError::None) {
    err << DescribeGridFileError(read) << '\n';
    return kFillBadInput;
  }
  Puzzle& puzzle = read.puzzle;
  Lexicon lexicon{fs::path()};
  if (!LoadLexicon(command, programFolder, puzzle.grid, lexicon, err)) return kFillBadInput;

  const FillResult result = FillGrid(puzzle.grid, lexicon.Indexes(), command.options);
  if (result.outcome != FillOutcome::Filled) {
    err << DescribeFillResult(result, FindSlots(puzzle.grid)) << '\n';
    return result.outcome == FillOutcome::Impossible ? kFillImpossible : kFillTimedOut;
  }
  out << GridText(result.grid);
  if (!command.ipuz.empty()) {
    puzzle.grid = result.grid;
    if (const GridFileResult written = WriteGridFile(command.ipuz, puzzle); written.error != GridFileError::None) {
      err << DescribeGridFileError(written) << '\n';
      return kFillBadInput;
    }
  }
  return kFillFilled;
}

}  // namespace wypelniak::slownik
