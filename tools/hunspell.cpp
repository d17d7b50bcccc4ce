#include "hunspell.h"

#include <array>
#include <cstring>
#include <new>

#include "cp1250.h"
#include "platform.h"
#include "wordlist.h"

namespace wypelniak::slownik {
namespace fs = std::filesystem;

namespace {

// Larger than any dictionary: a file this big is not one.
constexpr std::uintmax_t kMaxDictionaryBytes = std::uintmax_t{1} << 30;

// What the letters of a word are, by the Windows-1250 case rules the word
// list itself follows.
struct LetterCases {
  bool capital = false;    // holds a capital letter
  bool lowercase = false;  // holds a small letter
};

LetterCases CasesOf(std::string_view utf8) {
  // Small letters are the lower-case forms of capitals.
  static const std::array<bool, 256> isSmall = [] {
    std::array<bool, 256> small{};
    for (int b = 0; b < 256; ++b) {
      const unsigned char lower = Cp1250ToLower(static_cast<unsigned char>(b));
      if (lower != b) small[lower] = true;
    }
    return small;
  }();
  LetterCases cases;
  std::size_t pos = 0;
  char32_t c = 0;
  while (NextUtf8Char(utf8, pos, c)) {
    const int b = UnicodeToCp1250(c);
    if (b < 0) continue;
    if (Cp1250ToLower(static_cast<unsigned char>(b)) != b) cases.capital = true;
    if (isSmall[static_cast<std::size_t>(b)]) cases.lowercase = true;
  }
  return cases;
}

std::string_view NextLine(std::string_view data, std::size_t& pos) {
  const std::size_t lf = data.find('\n', pos);
  const std::size_t end = lf == std::string_view::npos ? data.size() : lf;
  std::string_view line = data.substr(pos, end - pos);
  pos = end == data.size() ? end : end + 1;
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

// The entry's word: up to its flags or morphological fields, "\/" read as "/".
std::string StemOf(std::string_view entry) {
  std::string stem;
  for (std::size_t i = 0; i < entry.size(); ++i) {
    const char c = entry[i];
    if (c == '\\' && i + 1 < entry.size() && entry[i + 1] == '/') {
      stem += '/';
      ++i;
    } else if (c == '/' || c == '\t') {
      break;
    } else {
      stem += c;
    }
  }
  while (!stem.empty() && (stem.back() == ' ' || stem.back() == '\t')) stem.pop_back();
  return stem;
}

std::string ReadError(const fs::path& path, const std::error_code& ec) {
  return "Nie można odczytać pliku " + PathText(path) + ": " + DescribeFileError(ec) + ".";
}

// Reads a whole regular file of sensible size.
std::string ReadDictionaryFile(const fs::path& path, std::string& data) {
  std::error_code ec;
  const std::uintmax_t size = fs::file_size(path, ec);
  if (!ec && size > kMaxDictionaryBytes)
    return "Plik " + PathText(path) + " jest za duży (ponad 1 GB), by był słownikiem Hunspella.";
  if (ec = platform::ReadWholeFile(path, data); ec) return ReadError(path, ec);
  return {};
}

}  // namespace

bool ParseHunspellOption(std::string_view arg, bool& fromHunspell, HunspellOptions& options) {
  if (arg == "--hunspell")
    fromHunspell = true;
  else if (arg == "--no-proper-names")
    options.dropProperNames = true;
  else if (arg == "--no-abbreviations")
    options.dropAbbreviations = true;
  else
    return false;
  return true;
}

Charset HunspellEncoding(std::string_view aff) {
  if (aff.substr(0, 3) == "\xEF\xBB\xBF") aff.remove_prefix(3);
  std::size_t pos = 0;
  while (pos < aff.size()) {
    const std::string_view line = NextLine(aff, pos);
    if (line.size() > 4 && line.substr(0, 3) == "SET" && (line[3] == ' ' || line[3] == '\t'))
      return CharsetByName(line.substr(4));
  }
  return Charset::Unknown;
}

bool HunspellWords(std::string_view dic, Charset charset, const HunspellOptions& options, std::string& text,
                   HunspellStats& stats, std::size_t& badLine) {
  if (dic.substr(0, 3) == "\xEF\xBB\xBF") dic.remove_prefix(3);
  std::size_t pos = 0;
  NextLine(dic, pos);  // the number of entries
  std::string word;
  for (std::size_t number = 2; pos < dic.size(); ++number) {
    const std::string_view line = NextLine(dic, pos);
    const std::string stem = StemOf(line);
    if (stem.empty()) continue;
    ++stats.entries;
    word.clear();
    if (!AppendAsUtf8(charset, stem, word)) {
      badLine = number;
      return false;
    }
    const LetterCases cases = CasesOf(word);
    if (options.dropAbbreviations &&
        (word.find('.') != std::string::npos || (cases.capital && !cases.lowercase))) {
      ++stats.abbreviations;
      continue;
    }
    if (options.dropProperNames && cases.capital) {
      ++stats.properNames;
      continue;
    }
    text += word;
    text += '\n';
  }
  return true;
}

std::string ReadHunspellSource(const fs::path& dic, const HunspellOptions& options, std::string& text,
                               std::ostream& out) {
  fs::path aff = dic;
  aff.replace_extension(".aff");
  std::string affData, dicData;
  if (std::string problem = ReadDictionaryFile(aff, affData); !problem.empty())
    return problem + " Słownik Hunspella " + PathText(dic) + " potrzebuje pliku .aff o tej samej nazwie.";
  const Charset charset = HunspellEncoding(affData);
  if (charset == Charset::Unknown)
    return "Plik " + PathText(aff) +
           " nie podaje w wierszu SET kodowania, które program zna (UTF-8, ISO8859-2, cp1250).";
  if (std::string problem = ReadDictionaryFile(dic, dicData); !problem.empty()) return problem;

  std::string words;
  words.reserve(dicData.size());
  HunspellStats stats;
  std::size_t badLine = 0;
  if (!HunspellWords(dicData, charset, options, words, stats, badLine))
    return "Wiersz " + std::to_string(badLine) + " pliku " + PathText(dic) +
           " nie jest zapisany w kodowaniu podanym w " + PathText(aff) + ".";

  text = std::move(words);
  out << "Słownik Hunspella " << PathText(dic) << ": " << stats.entries << ' '
      << Plural(stats.entries, "hasło", "hasła", "haseł");
  if (options.dropProperNames)
    out << ", pominięto " << stats.properNames << ' '
        << Plural(stats.properNames, "nazwę własną", "nazwy własne", "nazw własnych");
  if (options.dropAbbreviations)
    out << ", pominięto " << stats.abbreviations << ' '
        << Plural(stats.abbreviations, "skrót", "skróty", "skrótów");
  out << ".\n";
  return {};
}

}  // namespace wypelniak::slownik
