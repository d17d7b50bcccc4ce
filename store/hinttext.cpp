#include "hinttext.h"

#include <utility>

namespace wypelniak {

namespace {

// The terms of one kind, the headword itself left out (the thesaurus lists
// it among its own synonyms); an empty text when none is left.
std::string JoinTerms(const std::vector<std::string>& terms, const std::string& headword) {
  std::string shown;
  for (const std::string& term : terms) {
    if (term == headword) continue;
    if (!shown.empty()) shown += ", ";
    shown += term;
  }
  return shown;
}

}  // namespace

std::vector<HintRow> HintRows(std::string_view word, const ThesaurusLookup& lookup, bool termPerRow) {
  if (lookup.status == LookupStatus::Unavailable)
    return {{HintRow::Heading, {}, "Podpowiedzi są niedostępne."}, {HintRow::Paragraph, {}, lookup.error}};
  if (lookup.status == LookupStatus::NotFound)
    return {{HintRow::Heading, {}, "Tezaurus nie ma hasła „" + std::string(word) + "”."},
            {HintRow::Paragraph,
             {},
             "Hasłami tezaurusa są tylko formy podstawowe (mianownik, bezokolicznik), i to nie "
             "wszystkie: odmienione formy, jak „kotami”, nie mają własnych haseł, a wiele form "
             "podstawowych też ich nie ma."}};

  std::vector<HintRow> rows;
  for (const ThesaurusEntry& entry : lookup.entries) {
    int number = 0;
    for (const ThesaurusMeaning& meaning : entry.meanings) {
      std::string heading = entry.headword + ", " + std::to_string(++number) + ". znaczenie";
      if (!meaning.description.empty()) heading += " (" + meaning.description + ")";
      rows.push_back({HintRow::Heading, {}, std::move(heading)});
      const std::pair<const char*, const std::vector<std::string>*> kinds[] = {
          {"Synonimy", &meaning.synonyms},
          {"Pojęcia szersze", &meaning.broader},
          {"Pojęcia węższe", &meaning.narrower},
          {"Przeciwieństwa", &meaning.antonyms},
      };
      for (const auto& [caption, terms] : kinds) {
        if (termPerRow) {
          for (const std::string& term : *terms)
            if (term != entry.headword) rows.push_back({HintRow::Terms, caption, term});
          continue;
        }
        std::string text = JoinTerms(*terms, entry.headword);
        if (!text.empty()) rows.push_back({HintRow::Terms, caption, std::move(text)});
      }
    }
  }
  rows.push_back({HintRow::Paragraph,
                  {},
                  "\nŹródło: tezaurus języka polskiego (synonimy.ux.pl), licencja GNU LGPL 2.1."});
  return rows;
}

}  // namespace wypelniak
