#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "fill.h"
#include "grid.h"
#include "lexicon.h"
#include "liveview.h"
#include "thesaurus.h"

// What the grid windows of both front ends say and load beyond the edit
// itself (GridEdit): the word list with the scores the fill prefers, the
// window's title, a slot's word as the clue list shows it, the caption over
// the fitting words, the state of the word list, the fill's progress, the
// questions about unsaved changes and a recovery copy, and the terms a hint offers for a clue. A
// window only puts these texts on its controls.
namespace wypelniak {

// The word list of slow/ in programFolder with the thesaurus's headwords and
// the base forms as the fill's preferences, loaded (on the caller's thread).
void LoadGridLexicon(Lexicon& lexicon, const std::filesystem::path& programFolder,
                     const std::function<void(int, int)>& progress, const std::atomic<bool>* cancel);

// "Wypełniak – diagram", " – " and the file's name when there is one, " *"
// while there are unsaved changes.
std::string GridWindowTitle(const std::string& fileName, bool modified);

// The letters of a slot in capitals, '.' for an empty cell ("KO.").
std::string SlotWordText(const Grid& grid, const Slot& slot);

// The caption over the words that fit slot (index into slots, -1: the
// cursor stands in no slot of its direction); live is null while the word
// list loads. listed: how many words the list shows at most.
std::string CandidatesCaption(const LiveView* live, const std::vector<Slot>& slots, int slot,
                              std::uint32_t listed);

// What the loaded word list says: the problem of a file, that the folder
// holds no list (and the command that builds one), or how many words it has.
std::string LexiconStateText(const Lexicon& lexicon);

// "Wypełnianie: 3 z 10 wyrazów, najwięcej 5; 1.2 s".
std::string FillProgressText(const FillProgress& progress);

// The question before unsaved changes go; fileName empty for a grid never saved.
std::string UnsavedChangesQuestion(const std::string& fileName);

// The question at the start when a recovery copy of a grid with unsaved
// changes is left (originalPath: the grid's file, UTF-8, empty for a grid
// never saved).
std::string RecoveryQuestion(const std::string& originalPath);

// A thesaurus term as a clue: its usage notes in parentheses left out
// ("glina (pot.)" gives "glina").
std::string ClueFromTerm(const std::string& term);

// The terms a lookup offers as a clue (synonyms, broader and narrower terms),
// each once, in the thesaurus's order, usage notes in parentheses left out.
std::vector<std::string> HintTerms(const ThesaurusLookup& lookup);

}  // namespace wypelniak
