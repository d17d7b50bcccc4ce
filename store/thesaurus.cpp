#include "thesaurus.h"

#include <algorithm>
#include <charconv>
#include <memory>
#include <system_error>
#include <type_traits>
#include <utility>

#include "charsets.h"
#include "cp1250.h"
#include "platform.h"
#include "wordlist.h"

namespace wypelniak {
namespace fs = std::filesystem;

namespace {

// More headwords than any thesaurus has, and a data file larger than any:
// such figures come from a damaged file.
constexpr std::uint64_t kMaxHeadwords = 10'000'000;
constexpr std::uintmax_t kMaxDataBytes = 1u << 30;
// The first reading of an entry; a longer entry is read again, in larger
// pieces, up to kMaxThesaurusEntryBytes.
constexpr std::size_t kFirstEntryRead = 64u << 10;

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// A plain decimal number, no larger than max.
bool ParseNumber(std::string_view text, std::uint64_t max, std::uint64_t& value) {
  text = TrimBlanks(text);
  if (text.empty() || text.size() > 20) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && value <= max;
}

// The next line of data from pos (without its LF or CR LF); false at the end.
bool NextLine(std::string_view data, std::size_t& pos, std::string_view& line, bool& ended) {
  if (pos >= data.size()) return false;
  const std::size_t lf = data.find('\n', pos);
  ended = lf != std::string_view::npos;
  const std::size_t end = ended ? lf : data.size();
  line = data.substr(pos, end - pos);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  pos = ended ? lf + 1 : data.size();
  return true;
}

// Opens path through the file layer, which never waits (a named pipe put in
// the file's place is refused, never read) and takes only a regular file,
// and checks that it holds at most maxBytes. An empty text when it does.
std::string OpenFile(const fs::path& path, std::uintmax_t maxBytes, platform::ReadOnlyFile& file) {
  if (const std::error_code ec = file.Open(path)) {
    if (ec == std::errc::no_such_file_or_directory)
      return "Brak tezaurusa: nie ma pliku " + PathText(path) + ".";
    return "Nie można odczytać pliku tezaurusa " + PathText(path) + ": " + DescribeFileError(ec) + ".";
  }
  if (file.Size() > maxBytes)
    return "Plik tezaurusa " + PathText(path) + " jest uszkodzony: ma " + std::to_string(file.Size()) +
           " bajtów, więcej niż może mieć.";
  return {};
}

// Reads up to size bytes from offset on into out; fewer only at the end of
// the file.
std::error_code ReadFrom(const platform::ReadOnlyFile& file, std::uint64_t offset, std::size_t size,
                         std::string& out) {
  out.resize(size);
  std::size_t used = 0;
  while (used < size) {
    std::size_t got = 0;
    if (const std::error_code ec = file.ReadAt(offset + used, out.data() + used, size - used, got)) return ec;
    if (got == 0) break;
    used += got;
  }
  out.resize(used);
  return {};
}

std::string Damaged(const fs::path& path, std::size_t line, std::string_view what) {
  return "Plik tezaurusa " + PathText(path) + " jest uszkodzony: wiersz " + std::to_string(line) + " " +
         std::string(what) + ".";
}

// Relation notes and the list each sends its term to.
enum class Relation { Synonym, Broader, Narrower, Antonym };

Relation RelationOf(std::string_view note) {
  if (note == "pojęcie nadrzędne") return Relation::Broader;
  if (note == "pojęcie podrzędne") return Relation::Narrower;
  if (note == "antonim") return Relation::Antonym;
  return Relation::Synonym;
}

}  // namespace

fs::path ThesaurusFolder(const fs::path& programFolder) {
  return programFolder / "tezaurus";
}

std::string ThesaurusFixHint(const fs::path& folder) {
  return "Tezaurus powinien leżeć w folderze " + PathText(folder) + " (pliki " + ThesaurusIndexName + " i " +
         ThesaurusDataName +
         "). Zainstaluj pakiet mythes-pl (sudo apt-get install mythes-pl) i zbuduj program ponownie "
         "(cmake --build build) albo skopiuj oba pliki z /usr/share/mythes do tego folderu.";
}

ThesaurusMeaning ParseThesaurusMeaning(std::string_view line) {
  ThesaurusMeaning meaning;
  std::size_t pos = 0;
  bool first = true;
  while (pos <= line.size()) {
    const std::size_t bar = std::min(line.find('|', pos), line.size());
    std::string_view field = TrimBlanks(line.substr(pos, bar - pos));
    pos = bar + 1;
    if (first) {
      first = false;
      if (field.size() >= 2 && field.front() == '(' && field.back() == ')')
        field = field.substr(1, field.size() - 2);
      if (field != "-") meaning.description = std::string(field);
      continue;
    }
    // Notes stand at the end of a term, each in its own parentheses.
    std::vector<std::string_view> notes;
    Relation relation = Relation::Synonym;
    while (field.size() > 2 && field.back() == ')') {
      const std::size_t open = field.rfind('(');
      if (open == std::string_view::npos || open == 0) break;
      const std::string_view note = field.substr(open + 1, field.size() - open - 2);
      if (note.find(')') != std::string_view::npos) break;
      if (const Relation r = RelationOf(note); r != Relation::Synonym)
        relation = r;
      else
        notes.push_back(field.substr(open));
      field = TrimBlanks(field.substr(0, open));
    }
    if (field.empty()) continue;
    std::string term(field);
    for (auto note = notes.rbegin(); note != notes.rend(); ++note) term.append(" ").append(*note);
    switch (relation) {
      case Relation::Synonym: meaning.synonyms.push_back(std::move(term)); break;
      case Relation::Broader: meaning.broader.push_back(std::move(term)); break;
      case Relation::Narrower: meaning.narrower.push_back(std::move(term)); break;
      case Relation::Antonym: meaning.antonyms.push_back(std::move(term)); break;
    }
  }
  return meaning;
}

Thesaurus::Thesaurus(fs::path indexPath, fs::path dataPath)
    : indexPath_(std::move(indexPath)), dataPath_(std::move(dataPath)) {}

Thesaurus Thesaurus::InFolder(const fs::path& folder) {
  return Thesaurus(folder / ThesaurusIndexName, folder / ThesaurusDataName);
}

void Thesaurus::LoadIndex() {
  loaded_ = true;
  platform::ReadOnlyFile index, dataFile;
  if (loadError_ = OpenFile(indexPath_, kMaxThesaurusIndexBytes, index); !loadError_.empty()) return;
  if (loadError_ = OpenFile(dataPath_, kMaxDataBytes, dataFile); !loadError_.empty()) return;
  dataSize_ = dataFile.Size();

  std::string data;
  if (const std::error_code ec = index.ReadAll(data)) {
    loadError_ =
        "Nie można odczytać pliku tezaurusa " + PathText(indexPath_) + ": " + DescribeFileError(ec) + ".";
    return;
  }

  std::size_t pos = 0;
  std::string_view line;
  bool ended = false;
  if (!NextLine(data, pos, line, ended)) {
    loadError_ = "Plik tezaurusa " + PathText(indexPath_) + " jest pusty.";
    return;
  }
  const Charset charset = CharsetByName(line);
  if (charset == Charset::Unknown) {
    loadError_ = Damaged(indexPath_, 1, "nie podaje znanego kodowania znaków");
    return;
  }
  charset_ = static_cast<int>(charset);
  if (charset != Charset::Utf8) {
    // Each byte's lower case, found back among the encoding's bytes.
    std::array<std::string, 256> forms;
    for (int b = 0; b < 256; ++b) AppendUtf8(DecodeByte(charset, static_cast<unsigned char>(b)), forms[static_cast<std::size_t>(b)]);
    for (int b = 0; b < 256; ++b) {
      const auto found = std::find(forms.begin(), forms.end(), LowerUtf8(forms[static_cast<std::size_t>(b)]));
      lowerByte_[static_cast<std::size_t>(b)] = static_cast<unsigned char>(found != forms.end() ? found - forms.begin() : b);
    }
  }
  std::uint64_t count = 0;
  if (!NextLine(data, pos, line, ended) || !ParseNumber(line, kMaxHeadwords, count)) {
    loadError_ = Damaged(indexPath_, 2, "nie podaje rozsądnej liczby haseł");
    return;
  }

  // The data file must name the same encoding on its first line.
  {
    std::string head;
    std::size_t headPos = 0;
    std::string_view first;
    bool firstEnded = false;
    if (const std::error_code ec = ReadFrom(dataFile, 0, 64, head)) {
      loadError_ =
          "Nie można odczytać pliku tezaurusa " + PathText(dataPath_) + ": " + DescribeFileError(ec) + ".";
      return;
    }
    if (!NextLine(head, headPos, first, firstEnded) || !firstEnded || CharsetByName(first) != charset) {
      loadError_ = Damaged(dataPath_, 1, "nie podaje tego samego kodowania znaków co indeks");
      return;
    }
  }

  // The keys lie in the index's own bytes: a one-byte encoding is lowered
  // in place, keeping every length; UTF-8 keys, whose length may change, go
  // after the index's bytes. A count larger than the lines the file can
  // hold reserves no more than those.
  items_.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(count, data.size() / 4)));
  const bool inPlace = charset != Charset::Utf8;
  std::string utf8Keys, key;
  for (std::size_t number = 3; NextLine(data, pos, line, ended); ++number) {
    if (TrimBlanks(line).empty()) continue;
    const std::size_t bar = line.rfind('|');
    std::uint64_t offset = 0;
    const char* problem = nullptr;
    if (bar == std::string_view::npos || bar == 0 || !ParseNumber(line.substr(bar + 1), dataSize_, offset))
      problem = "nie ma postaci „hasło|położenie” z położeniem wewnątrz pliku danych";
    else if (!KeyOfFileText(line.substr(0, bar), key))
      problem = "nie jest zapisany w podanym kodowaniu";
    if (problem != nullptr) {
      loadError_ = Damaged(indexPath_, number, problem);
      items_.clear();
      return;
    }
    const std::size_t start = static_cast<std::size_t>(line.data() - data.data());
    if (inPlace) {
      data.replace(start, key.size(), key);
      items_.push_back({static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(key.size()),
                        static_cast<std::uint32_t>(offset)});
    } else {
      items_.push_back({static_cast<std::uint32_t>(data.size() + utf8Keys.size()),
                        static_cast<std::uint32_t>(key.size()), static_cast<std::uint32_t>(offset)});
      utf8Keys += key;
    }
  }
  data += utf8Keys;
  keys_ = std::move(data);
  // The index comes sorted by its own rules, nearly those of the keys. Equal
  // keys keep the order of their entries in the data file.
  const auto byKey = [this](const Item& a, const Item& b) {
    const int order = Key(a).compare(Key(b));
    return order < 0 || (order == 0 && a.offset < b.offset);
  };
  // The items that break the order are taken out, sorted on their own and
  // merged back: a few in a sound index, and never worse than a full sort.
  std::vector<Item> misplaced;
  std::size_t kept = 0;
  for (const Item& item : items_) {
    if (kept == 0 || !byKey(item, items_[kept - 1]))
      items_[kept++] = item;
    else
      misplaced.push_back(item);
  }
  if (!misplaced.empty()) {
    std::sort(misplaced.begin(), misplaced.end(), byKey);
    std::copy(misplaced.begin(), misplaced.end(), items_.begin() + static_cast<std::ptrdiff_t>(kept));
    std::inplace_merge(items_.begin(), items_.begin() + static_cast<std::ptrdiff_t>(kept), items_.end(),
                       byKey);
  }
}

bool Thesaurus::KeyOfFileText(std::string_view bytes, std::string& key) const {
  key.clear();
  if (static_cast<Charset>(charset_) == Charset::Utf8) {
    if (!AppendAsUtf8(Charset::Utf8, bytes, key)) return false;
    key = LowerUtf8(key);
    return true;
  }
  key.resize(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i)
    key[i] = static_cast<char>(lowerByte_[static_cast<unsigned char>(bytes[i])]);
  return true;
}

bool Thesaurus::KeyOfWord(std::string_view utf8, std::string& key) const {
  const Charset charset = static_cast<Charset>(charset_);
  if (charset == Charset::Utf8) {
    key = LowerUtf8(utf8);
    return true;
  }
  key.clear();
  std::size_t pos = 0;
  char32_t c = 0;
  while (pos < utf8.size()) {
    const std::size_t start = pos;
    NextUtf8Char(utf8, pos, c);
    if (c == 0xFFFD && pos - start == 1) return false;
    int found = -1;
    for (int b = 0; b < 256 && found < 0; ++b)
      if (DecodeByte(charset, static_cast<unsigned char>(b)) == c) found = b;
    if (found < 0) return false;
    key += static_cast<char>(lowerByte_[static_cast<unsigned char>(found)]);
  }
  return true;
}

std::string Thesaurus::ReadEntry(std::uint64_t offset, std::string_view expectedKey,
                                 ThesaurusEntry& entry) const {
  platform::ReadOnlyFile file;
  if (std::string problem = OpenFile(dataPath_, kMaxDataBytes, file); !problem.empty()) return problem;
  const std::uint64_t size = file.Size();
  if (offset >= size) return "Plik tezaurusa " + PathText(dataPath_) + " jest krótszy, niż podaje indeks.";
  const Charset charset = static_cast<Charset>(charset_);
  const std::string damaged = "Plik tezaurusa " + PathText(dataPath_) + " jest uszkodzony w miejscu " +
                              std::to_string(offset) + ", gdzie według indeksu zaczyna się hasło.";

  std::string buffer;
  for (std::size_t want = kFirstEntryRead;; want *= 4) {
    const std::size_t available =
        static_cast<std::size_t>(std::min<std::uintmax_t>(size - offset, kMaxThesaurusEntryBytes));
    want = std::min(want, available);
    if (const std::error_code ec = ReadFrom(file, offset, want, buffer))
      return "Nie można odczytać pliku tezaurusa " + PathText(dataPath_) + ": " + DescribeFileError(ec) + ".";
    const bool whole = buffer.size() == size - offset;  // the rest of the file is in buffer

    entry = {};
    std::size_t pos = 0;
    std::string_view line;
    bool ended = false;
    // A line is complete when its end was read or the file ends with it.
    auto complete = [&] { return NextLine(buffer, pos, line, ended) && (ended || whole); };
    bool cut = false;
    if (!complete()) {
      cut = true;
    } else {
      const std::size_t bar = line.rfind('|');
      std::uint64_t meanings = 0;
      std::string headword, key;
      if (bar == std::string_view::npos ||
          !ParseNumber(line.substr(bar + 1), kMaxThesaurusMeanings, meanings) ||
          !KeyOfFileText(line.substr(0, bar), key) || key != expectedKey ||
          !AppendAsUtf8(charset, line.substr(0, bar), headword))
        return damaged;
      entry.headword = std::move(headword);
      std::string utf8;
      for (std::uint64_t i = 0; i < meanings; ++i) {
        if (!complete()) {
          cut = true;
          break;
        }
        utf8.clear();
        if (!AppendAsUtf8(charset, line, utf8)) return damaged;
        entry.meanings.push_back(ParseThesaurusMeaning(utf8));
      }
    }
    if (!cut) return {};
    if (whole || buffer.size() < want || want >= available) return damaged;
  }
}

ThesaurusLookup Thesaurus::Lookup(std::string_view word) {
  ThesaurusLookup result;
  if (!loaded_) LoadIndex();
  if (!loadError_.empty()) {
    result.status = LookupStatus::Unavailable;
    result.error = loadError_ + " " + ThesaurusFixHint(indexPath_.parent_path());
    return result;
  }
  std::string key;
  if (!KeyOfWord(word, key)) return result;
  const auto range =
      std::equal_range(items_.begin(), items_.end(), key, [this](const auto& a, const auto& b) {
        if constexpr (std::is_same_v<std::decay_t<decltype(a)>, Item>)
          return Key(a) < std::string_view(b);
        else
          return std::string_view(a) < Key(b);
      });
  for (auto it = range.first; it != range.second; ++it) {
    ThesaurusEntry entry;
    if (std::string problem = ReadEntry(it->offset, key, entry); !problem.empty()) {
      result.status = LookupStatus::Unavailable;
      result.error = problem + " " + ThesaurusFixHint(indexPath_.parent_path());
      result.entries.clear();
      return result;
    }
    result.entries.push_back(std::move(entry));
  }
  // The entry written as the word was typed comes first.
  std::stable_partition(result.entries.begin(), result.entries.end(),
                        [word](const ThesaurusEntry& e) { return e.headword == word; });
  result.status = result.entries.empty() ? LookupStatus::NotFound : LookupStatus::Found;
  return result;
}

bool Thesaurus::ForEachHeadword(const fs::path& folder, const std::function<void(std::string_view, Charset)>& visit) {
  platform::ReadOnlyFile index;
  std::string data;
  if (!OpenFile(folder / ThesaurusIndexName, kMaxThesaurusIndexBytes, index).empty() || index.ReadAll(data)) return false;
  std::size_t pos = 0;
  std::string_view line;
  bool ended = false;
  if (!NextLine(data, pos, line, ended)) return false;
  const Charset charset = CharsetByName(line);
  if (charset == Charset::Unknown || !NextLine(data, pos, line, ended)) return false;
  while (NextLine(data, pos, line, ended)) {
    const std::size_t bar = line.rfind('|');
    if (bar != std::string_view::npos && bar > 0) visit(line.substr(0, bar), charset);
  }
  return true;
}

Thesaurus& ProgramThesaurus(const std::filesystem::path& programFolder) {
  static std::filesystem::path folder;
  static std::unique_ptr<Thesaurus> thesaurus;
  if (!thesaurus || folder != programFolder) {
    folder = programFolder;
    thesaurus = std::make_unique<Thesaurus>(Thesaurus::InFolder(ThesaurusFolder(programFolder)));
  }
  return *thesaurus;
}

}  // namespace wypelniak
