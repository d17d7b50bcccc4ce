#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "thesaurus.h"

// What a hint window shows for a lookup in the thesaurus, in the same words
// in every front end: rows of UTF-8 text that each window lays out its way.
namespace wypelniak {

// One row of the hints: a heading, a caption with its terms, or a paragraph.
struct HintRow {
  enum Kind { Heading, Terms, Paragraph } kind;
  std::string caption;  // Terms: what the terms are ("Synonimy")
  std::string text;
};

// The rows for a lookup of word (UTF-8): for each meaning a heading and its
// synonyms, broader and narrower terms and opposites (the headword itself
// left out), then the thesaurus's source; or what is wrong with the
// thesaurus; or that it has no entry for the word.
// With termPerRow every term is a Terms row of its own (caption: what it
// is), for a list whose terms are picked one at a time.
std::vector<HintRow> HintRows(std::string_view word, const ThesaurusLookup& lookup, bool termPerRow = false);

}  // namespace wypelniak
