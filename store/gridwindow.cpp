#include "gridwindow.h"

#include <algorithm>
#include <cstdio>

#include "wordlist.h"
#include "wordscore.h"

namespace wypelniak {

void LoadGridLexicon(Lexicon& lexicon, const std::filesystem::path& programFolder,
                     const std::function<void(int, int)>& progress, const std::atomic<bool>* cancel) {
  const std::filesystem::path folder = DictionaryFolder(programFolder);
  ScoreSources sources;
  AddThesaurusWords(ThesaurusFolder(programFolder), sources);
  AddBaseForms(folder, sources);
  lexicon = Lexicon(folder, std::move(sources));
  lexicon.Load(progress, cancel);
}

std::string GridWindowTitle(const std::string& fileName, bool modified) {
  std::string title = "Wypełniak – diagram";
  if (!fileName.empty()) title += " – " + fileName;
  if (modified) title += " *";
  return title;
}

std::string SlotWordText(const Grid& grid, const Slot& slot) {
  std::string word;
  for (int cell : slot.cells) {
    if (grid.HasLetter(cell))
      AppendLetterUtf8(grid.At(cell), word, true);
    else
      word += '.';
  }
  return word;
}

std::string CandidatesCaption(const LiveView* live, const std::vector<Slot>& slots, int slot,
                              std::uint32_t listed) {
  if (!live) return "Pasujące słowa: lista słów się wczytuje…";
  if (slot < 0 || static_cast<std::size_t>(slot) >= slots.size())
    return "Pasujące słowa: kursor nie stoi w wyrazie tego kierunku";
  const std::string name = SlotName(slots[static_cast<std::size_t>(slot)]);
  if (live->Dead(slot)) return "Pasujące słowa (" + name + "): żadne – zmień litery zaznaczone na czerwono";
  const std::uint32_t count = live->Count(slot);
  std::string caption = "Pasujące słowa (" + name + "): " + std::to_string(count);
  if (count > listed) caption += ", pokazano " + std::to_string(listed) + " najlepszych";
  return caption;
}

std::string LexiconStateText(const Lexicon& lexicon) {
  std::string state;
  for (int n = MinWordLength; n <= MaxWordLength; ++n)
    if (!lexicon.Report(n).problem.empty()) state = lexicon.Report(n).problem;
  if (lexicon.WordCount() == 0)
    return "Folder " + PathText(lexicon.Folder()) +
           " nie zawiera listy słów (plików slow.2 … slow.22). Zbuduj ją poleceniem: wypelniak-slownik build";
  if (!state.empty()) return state;
  return "Lista słów wczytana: " + std::to_string(lexicon.WordCount()) + " wyrazów.";
}

std::string FillProgressText(const FillProgress& progress) {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.1f", progress.seconds);
  return "Wypełnianie: " + std::to_string(progress.filledSlots) + " z " +
         std::to_string(progress.totalSlots) + " wyrazów, najwięcej " + std::to_string(progress.bestFilled) +
         "; " + seconds + " s";
}

std::string UnsavedChangesQuestion(const std::string& fileName) {
  const std::string name = fileName.empty() ? "Diagram (jeszcze nie zapisany)" : "Diagram „" + fileName + "”";
  return name +
         " ma niezapisane zmiany. Zapisać je?\n\nTak – zapisz, Nie – porzuć zmiany, Anuluj – wróć do "
         "diagramu.";
}

std::string RecoveryQuestion(const std::string& originalPath) {
  const std::string from =
      originalPath.empty() ? "nowego diagramu, jeszcze niezapisanego" : "diagramu z pliku " + originalPath;
  return "Poprzednia sesja nie zakończyła się zwykłym zamknięciem okna. Została kopia zapasowa " + from +
         " z niezapisanymi zmianami.\n\nPrzywrócić ją? Przywrócony diagram trzeba potem zapisać (Ctrl+S). "
         "Odrzucenie usuwa kopię.";
}

std::string ClueFromTerm(const std::string& term) { return term.substr(0, term.find(" (")); }

std::vector<std::string> HintTerms(const ThesaurusLookup& lookup) {
  std::vector<std::string> terms;
  auto add = [&terms](const std::string& term) {
    const std::string bare = ClueFromTerm(term);
    if (!bare.empty() && std::find(terms.begin(), terms.end(), bare) == terms.end()) terms.push_back(bare);
  };
  for (const ThesaurusEntry& entry : lookup.entries) {
    for (const ThesaurusMeaning& meaning : entry.meanings) {
      for (const auto* list : {&meaning.synonyms, &meaning.broader, &meaning.narrower})
        for (const std::string& term : *list) add(term);
    }
  }
  return terms;
}

}  // namespace wypelniak
