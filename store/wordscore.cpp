#include "wordscore.h"

#include <algorithm>
#include <charconv>

#include "charsets.h"
#include "lexicon.h"
#include "platform.h"
#include "thesaurus.h"

namespace wypelniak {
namespace fs = std::filesystem;

WordKey KeyOfCodes(std::basic_string_view<LetterCode> codes) {
  return WordKey(reinterpret_cast<const char*>(codes.data()), codes.size());
}

namespace {

// The key of a UTF-8 word, false when it is no word of the alphabet of a
// length the list has.
bool KeyOfUtf8(std::string_view utf8, WordKey& key) {
  std::basic_string<LetterCode> codes;
  if (!WordCodes(utf8, codes) || codes.size() < MinWordLength || codes.size() > MaxWordLength) return false;
  key = KeyOfCodes(codes);
  return true;
}

void AddWordsOfFolder(const fs::path& folder, std::array<std::vector<WordKey>, MaxWordLength + 1>& to) {
  for (int n = MinWordLength; n <= MaxWordLength; ++n) {
    std::string data;
    if (platform::ReadWholeFile(folder / WordListPath(n, fs::path()).filename(), data)) continue;
    if (data.size() > MaxListFileBytes || LooksLikeUtf8(data)) continue;
    std::vector<LetterCode> words;
    LengthReport report;
    // The lexicon's own reading, so that both sides agree on what a word is.
    ReadLexiconWords(data, n, words, report);
    auto& keys = to[static_cast<std::size_t>(n)];
    for (std::size_t at = 0; at < words.size(); at += static_cast<std::size_t>(n))
      keys.push_back(WordKey(reinterpret_cast<const char*>(words.data() + at), static_cast<std::size_t>(n)));
  }
}

}  // namespace

void AddThesaurusWords(const fs::path& thesaurusFolder, ScoreSources& sources, const std::vector<bool>& lengths) {
  const auto wanted = [&lengths](std::size_t n) {
    return n >= MinWordLength && n <= MaxWordLength && (lengths.empty() || (n < lengths.size() && lengths[n]));
  };
  if (!lengths.empty() && std::find(lengths.begin(), lengths.end(), true) == lengths.end()) return;
  // A one-byte encoding has a letter (or none) per byte: a table of them
  // spares decoding each headword.
  std::array<LetterCode, 256> letterOfByte{};
  Charset tableFor = Charset::Unknown;
  std::basic_string<LetterCode> codes;
  std::string utf8;
  Thesaurus::ForEachHeadword(thesaurusFolder, [&](std::string_view word, Charset charset) {
    if (charset == Charset::Utf8) {
      if (!WordCodes(word, codes) || !wanted(codes.size())) return;
    } else {
      if (!wanted(word.size())) return;
      if (tableFor != charset) {
        for (int b = 0; b < 256; ++b)
          letterOfByte[static_cast<std::size_t>(b)] = LetterOfChar(DecodeByte(charset, static_cast<unsigned char>(b)));
        tableFor = charset;
      }
      codes.clear();
      for (const char ch : word) {
        const LetterCode c = letterOfByte[static_cast<unsigned char>(ch)];
        if (c == kNoLetter) return;
        codes.push_back(c);
      }
    }
    sources.clueable[codes.size()].push_back(KeyOfCodes(codes));
  });
}

void AddBaseForms(const fs::path& wordListFolder, ScoreSources& sources) {
  const fs::path parent = wordListFolder.parent_path();
  std::error_code ec;
  if (fs::is_directory(parent / "slow-pelne", ec)) {
    sources.allBaseForms = true;
  } else if (fs::is_directory(parent / "slow-podstawowe", ec)) {
    AddWordsOfFolder(parent / "slow-podstawowe", sources.baseForms);
  }
}

ScoreFileError ReadScoreFile(const fs::path& path, ScoreSources& sources) {
  std::string data;
  if (const std::error_code ec = platform::ReadWholeFile(path, data))
    return {ScoreFileError::Unreadable, 0, DescribeFileError(ec)};
  if (data.starts_with("\xEF\xBB\xBF")) data.erase(0, 3);
  std::string_view rest(data);
  for (int line = 1; !rest.empty(); ++line) {
    const std::size_t end = rest.find('\n');
    std::string_view text = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (text.ends_with('\r')) text.remove_suffix(1);
    if (text.empty() || text.front() == '#') continue;
    const std::size_t semicolon = text.rfind(';');
    if (semicolon == std::string_view::npos) return {ScoreFileError::BadLine, line, std::string(text)};
    std::string_view number = text.substr(semicolon + 1);
    while (!number.empty() && number.front() == ' ') number.remove_prefix(1);
    while (!number.empty() && number.back() == ' ') number.remove_suffix(1);
    int score = -1;
    const auto [ptr, error] = std::from_chars(number.data(), number.data() + number.size(), score);
    if (number.empty() || error != std::errc() || ptr != number.data() + number.size() || score < 0 ||
        score > kMaxScore)
      return {ScoreFileError::BadScore, line, std::string(text)};
    WordKey key;
    if (!KeyOfUtf8(text.substr(0, semicolon), key)) {
      // Phrases and words with other characters cannot stand in a grid: a
      // list made for other tools holds many, and they are passed over.
      continue;
    }
    sources.user[key] = static_cast<std::uint8_t>(score);
  }
  return {};
}

std::string DescribeScoreFileError(const fs::path& path, const ScoreFileError& error) {
  const std::string at = "Plik ocen wyrazów " + PathText(path);
  const std::string line = ", wiersz " + std::to_string(error.line) + " („" + error.detail + "”)";
  switch (error.kind) {
    case ScoreFileError::None: return {};
    case ScoreFileError::Unreadable: return "Nie można odczytać pliku ocen wyrazów " + PathText(path) + ": " + error.detail + ".";
    case ScoreFileError::BadLine:
      return at + line + ": wiersz musi mieć postać „wyraz;ocena”. Popraw ten wiersz albo go usuń.";
    case ScoreFileError::BadScore:
      return at + line + ": ocena musi być liczbą całkowitą od 0 do 100. Popraw ten wiersz albo go usuń.";
  }
  return {};
}

}  // namespace wypelniak
