#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "charsets.h"

// The thesaurus behind the clue hints: a dictionary of synonyms in two files,
// an index and a data file, each starting with a line that names its
// encoding.
//
// Index: encoding, the number of entries, then one line per headword,
// "headword|offset", the offset being where the entry starts in the data
// file. Data: encoding, then per entry a line "headword|meanings" followed by
// that many meaning lines, "notes|term|term|...", the first field describing
// the meaning ("-" when there is nothing to say). A term may carry notes in
// parentheses: "(pojęcie nadrzędne)" marks a broader term, "(pojęcie
// podrzędne)" a narrower one, "(antonim)" an opposite; others such as
// "(pot.)" describe its use.
namespace wypelniak {

// The thesaurus folder beside the program: tezaurus/ in the program folder.
std::filesystem::path ThesaurusFolder(const std::filesystem::path& programFolder);

// The files of the Polish thesaurus inside that folder.
inline constexpr char ThesaurusIndexName[] = "th_pl_PL_v2.idx";
inline constexpr char ThesaurusDataName[] = "th_pl_PL_v2.dat";

// One meaning of a headword, in UTF-8. Each term keeps its usage notes
// ("glina (pot.)"); the notes that tell how it relates to the headword sort
// it into a list instead.
struct ThesaurusMeaning {
  std::string description;  // the meaning's first field, empty for "-"
  std::vector<std::string> synonyms;
  std::vector<std::string> broader;
  std::vector<std::string> narrower;
  std::vector<std::string> antonyms;
};

struct ThesaurusEntry {
  std::string headword;  // as the thesaurus writes it
  std::vector<ThesaurusMeaning> meanings;
};

// What a lookup found.
enum class LookupStatus { Found, NotFound, Unavailable };

struct ThesaurusLookup {
  LookupStatus status = LookupStatus::NotFound;
  // Found: the entries whose headword is the word, one of the same case
  // first, then those that differ from it in case only.
  std::vector<ThesaurusEntry> entries;
  // Unavailable: a Polish message naming the file and what fixes it.
  std::string error;
};

// Limits beyond which a file is taken as damaged rather than read.
inline constexpr std::uintmax_t kMaxThesaurusIndexBytes = 64u << 20;
inline constexpr std::size_t kMaxThesaurusEntryBytes = 1u << 20;
inline constexpr std::size_t kMaxThesaurusMeanings = 1000;

// A thesaurus on disk. The index is read once, on the first lookup; each
// lookup then reads only its own entries from the data file.
class Thesaurus {
 public:
  Thesaurus(std::filesystem::path indexPath, std::filesystem::path dataPath);
  // The Polish thesaurus in folder.
  static Thesaurus InFolder(const std::filesystem::path& folder);

  // Looks up a word (UTF-8). A missing or damaged file gives Unavailable
  // with a message, never an exception.
  ThesaurusLookup Lookup(std::string_view word);

  // Calls visit(headword, charset) for every headword of the index file in
  // folder, as the index writes it (its encoding, its case), reading nothing
  // else and keeping nothing: the fill's word preference needs each headword
  // once, and at once. False when the index cannot be read or names no
  // encoding we know.
  static bool ForEachHeadword(const std::filesystem::path& folder,
                              const std::function<void(std::string_view, Charset)>& visit);

  // Whether the index has been read (or its reading has failed).
  bool IndexLoaded() const { return loaded_; }
  // Number of headwords in the index.
  std::size_t Size() const { return items_.size(); }

 private:
  struct Item {
    std::uint32_t keyStart;  // where the headword's key lies in keys_
    std::uint32_t keyLength;
    std::uint32_t offset;  // where the entry starts in the data file
  };

  void LoadIndex();
  std::string_view Key(const Item& item) const {
    return std::string_view(keys_).substr(item.keyStart, item.keyLength);
  }
  // The key of a headword as the files write it; false when it is not in
  // their encoding.
  bool KeyOfFileText(std::string_view bytes, std::string& key) const;
  // The key of a word in UTF-8; false when the files' encoding cannot
  // write it (no headword then has it).
  bool KeyOfWord(std::string_view utf8, std::string& key) const;
  // Reads the entry at offset; an empty text when it is sound.
  std::string ReadEntry(std::uint64_t offset, std::string_view expectedKey, ThesaurusEntry& entry) const;

  std::filesystem::path indexPath_;
  std::filesystem::path dataPath_;
  bool loaded_ = false;
  std::string loadError_;  // why the index cannot be used
  int charset_ = 0;        // the files' Charset
  // Keys are headwords in lower case, in the files' encoding: a one-byte
  // encoding is lowered byte by byte through this table.
  std::array<unsigned char, 256> lowerByte_{};
  std::uintmax_t dataSize_ = 0;
  std::string keys_;
  std::vector<Item> items_;  // sorted by key
};

// The thesaurus in tezaurus/ beside the program in programFolder, made on the
// first call and kept for the run, so that its index is read once; a call
// for another program folder (tests) makes a new one.
Thesaurus& ProgramThesaurus(const std::filesystem::path& programFolder);

// Parses one meaning line (UTF-8) into its description and term lists.
ThesaurusMeaning ParseThesaurusMeaning(std::string_view line);

// The message shown when the thesaurus folder lacks its files or holds
// damaged ones, with what fixes it.
std::string ThesaurusFixHint(const std::filesystem::path& folder);

}  // namespace wypelniak
