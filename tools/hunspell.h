#pragma once

#include <cstddef>
#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>

#include "charsets.h"
#include "slownik.h"

// A Hunspell dictionary as a source of the word list: its entries' stems,
// the base forms of the words (no inflected forms), turned into the UTF-8
// text, one word a line, that the build reads from any source.
namespace wypelniak::slownik {


struct HunspellStats {
  std::size_t entries = 0;        // entry lines read
  std::size_t properNames = 0;    // left out as proper names
  std::size_t abbreviations = 0;  // left out as abbreviations (before proper names)
};

// The encoding the affix file names on its SET line; Unknown when it names
// none or one the program cannot read.
Charset HunspellEncoding(std::string_view aff);

// Appends the stems of the dictionary's entries (the dictionary file's
// bytes, in the given encoding) to text as UTF-8, one a line, leaving out
// what options say. The first line, the number of entries, is skipped. A
// stem is the part of an entry before its flags ("/"; "\/" is a slash of
// the word) and before any morphological fields (a tab). Returns false, with
// badLine the line's number, when a line is not in the encoding.
bool HunspellWords(std::string_view dic, Charset charset, const HunspellOptions& options, std::string& text,
                   HunspellStats& stats, std::size_t& badLine);

// The Polish dictionary of Debian's hunspell-pl package.
inline constexpr char kHunspellDictionary[] = "/usr/share/hunspell/pl_PL.dic";

// Takes a command-line option of the build that reads a Hunspell dictionary
// ("--hunspell", "--no-proper-names", "--no-abbreviations"); false for any
// other argument.
bool ParseHunspellOption(std::string_view arg, bool& fromHunspell, HunspellOptions& options);

// Reads the dictionary dic and its affix file (the same name ending in
// .aff) into text, reporting on out how many entries were read and left
// out. Returns an empty text, or a Polish description of what failed.
std::string ReadHunspellSource(const std::filesystem::path& dic, const HunspellOptions& options,
                               std::string& text, std::ostream& out);

}  // namespace wypelniak::slownik
