#include "wordlist.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

#include "cp1250.h"
#include "platform.h"

namespace wypelniak {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::filesystem::path ListPath(const std::filesystem::path& programFolder, const char* prefix, int n) {
  return DictionaryFolder(programFolder) / (prefix + std::to_string(n));
}

// Is a decimal number without sign (digits, a point, an exponent) below one?
// Decided from where its first significant digit stands once the exponent is
// applied, so it holds for numbers beyond a double's range and does not go by
// the exponent's sign alone: a 1 with 400 zeros then "e-5" is huge, while
// "0." with 400 zeros then "1e5" is tiny.
bool BelowOne(std::string_view number) {
  const std::size_t e = std::min(number.find_first_of("eE"), number.size());
  const std::string_view mantissa = number.substr(0, e);
  long long exponent = 0;
  if (e < number.size()) {
    std::string_view digits = number.substr(e + 1);
    const bool minus = !digits.empty() && digits.front() == '-';
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) digits.remove_prefix(1);
    // An exponent beyond half a long long dwarfs any mantissa a file can hold;
    // held to that, it cannot overflow when the mantissa's power is added.
    constexpr long long kFar = std::numeric_limits<long long>::max() / 2;
    if (std::from_chars(digits.data(), digits.data() + digits.size(), exponent).ec != std::errc() ||
        exponent > kFar)
      exponent = kFar;
    if (minus) exponent = -exponent;
  }
  const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
  const std::size_t first = mantissa.find_first_of("123456789");
  if (first == std::string_view::npos) return true;
  // The power of ten of the first significant digit, before the exponent.
  const long long power =
      first < point ? static_cast<long long>(point - first - 1) : -static_cast<long long>(first - point);
  return power + exponent < 0;
}

}  // namespace

std::filesystem::path ProgramFolder() {
  return platform::ExecutableFolder();
}

std::filesystem::path DictionaryFolder(const std::filesystem::path& programFolder) {
  return programFolder / "slow";
}

std::filesystem::path WordListPath(int n, const std::filesystem::path& programFolder) {
  return ListPath(programFolder, "slow.", n);
}

std::filesystem::path TempListPath(int n, const std::filesystem::path& programFolder) {
  return ListPath(programFolder, "~slow.", n);
}

std::filesystem::path LockPath(const std::filesystem::path& programFolder) {
  return DictionaryFolder(programFolder) / ".lock";
}

bool CountedReader::Next(std::string_view& value) {
  const std::size_t size = data_.size();
  while (pos_ < size && IsBlank(data_[pos_])) ++pos_;
  if (pos_ >= size) return false;

  if (data_[pos_] == '"') {
    const std::size_t start = pos_ + 1;
    std::size_t close = data_.find('"', start);
    if (close == std::string_view::npos) close = size;
    value = data_.substr(start, close - start);
    pos_ = close < size ? close + 1 : size;
    while (pos_ < size && data_[pos_] != ',' && data_[pos_] != '\r') ++pos_;
    SkipDelimiter();
    return true;
  }

  const std::size_t start = pos_;
  const char* p = data_.data() + pos_;
  const char* end = data_.data() + size;
  while (p != end && *p != ',' && *p != '\r') ++p;
  pos_ = static_cast<std::size_t>(p - data_.data());
  value = data_.substr(start, pos_ - start);
  SkipDelimiter();
  return true;
}

void CountedReader::SkipDelimiter() {
  if (pos_ >= data_.size()) return;
  if (data_[pos_] == ',') {
    ++pos_;
  } else if (data_[pos_] == '\r') {
    ++pos_;
    if (pos_ < data_.size() && data_[pos_] == '\n') ++pos_;
  }
}

std::string_view LineReader::ReadLine() {
  const std::size_t start = pos_;
  std::size_t cr = data_.find('\r', start);
  if (cr == std::string_view::npos) {
    pos_ = data_.size();
    return data_.substr(start);
  }
  pos_ = cr + 1;
  if (pos_ < data_.size() && data_[pos_] == '\n') ++pos_;
  return data_.substr(start, cr - start);
}

CountError ParseCount(std::string_view value, std::int32_t& count) {
  while (!value.empty() && IsBlank(value.front())) value.remove_prefix(1);
  while (!value.empty() && IsBlank(value.back())) value.remove_suffix(1);
  if (value.empty()) return CountError::Empty;

  bool negative = false;
  if (value.front() == '+' || value.front() == '-') {
    negative = value.front() == '-';
    value.remove_prefix(1);
    if (!value.empty() && (value.front() == '+' || value.front() == '-')) return CountError::NotANumber;
  }
  // Plain decimal digits with an optional fraction and exponent; from_chars
  // alone would also take "inf" and "nan".
  bool digits = false;
  for (char c : value) {
    if (c >= '0' && c <= '9') {
      digits = true;
    } else if (c != '.' && c != 'e' && c != 'E' && c != '+' && c != '-') {
      return CountError::NotANumber;
    }
  }
  if (!digits) return CountError::NotANumber;

  double number = 0;
  const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), number);
  // Out of range or not, the number must take the whole value ("1e999e-5" does not).
  if (end != value.data() + value.size()) return CountError::NotANumber;
  if (ec == std::errc::result_out_of_range) {
    // Too small to tell from zero ("1e-999") rounds to 0; anything else is huge.
    if (BelowOne(value)) {
      count = 0;
      return CountError::None;
    }
    return negative ? CountError::Negative : CountError::TooLarge;
  }
  if (ec != std::errc()) return CountError::NotANumber;

  const double rounded = std::nearbyint(negative ? -number : number);
  if (rounded < 0) return CountError::Negative;
  if (rounded > static_cast<double>(std::numeric_limits<std::int32_t>::max())) return CountError::TooLarge;
  count = static_cast<std::int32_t>(rounded);
  return CountError::None;
}

CountLine ReadCountLine(std::string_view data) {
  CountLine line;
  if (data.empty()) return line;
  LineReader reader(data);
  line.text = reader.ReadLine();
  line.wordsStart = reader.Position();
  line.error = ParseCount(line.text, line.count);
  if (line.error != CountError::None) line.count = 0;
  return line;
}

namespace {

// Up to 40 characters of a line for a message, control characters as '?'.
std::string ShownLine(std::string_view line) {
  std::string bytes(line.substr(0, 40));
  for (char& c : bytes)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return Cp1250ToUtf8(bytes) + (line.size() > 40 ? "…" : "");
}

}  // namespace

std::string DescribeCountProblem(CountError error, std::string_view value) {
  if (error == CountError::EmptyFile) return "plik jest pusty";
  // A file with LF line ends reads as one line: say so rather than show it.
  if (value.find('\n') != std::string_view::npos)
    return "wiersze kończą się samym znakiem LF zamiast pary CR LF (plik zapisany w systemie Linux?)";
  const std::string shown = ShownLine(value);
  switch (error) {
    case CountError::Empty: return "pierwszy wiersz nie zawiera liczby wyrazów";
    case CountError::Negative: return "liczba wyrazów w pierwszym wierszu jest ujemna (" + shown + ")";
    case CountError::TooLarge: return "liczba wyrazów w pierwszym wierszu jest za duża (" + shown + ")";
    default: return "pierwszy wiersz nie zawiera liczby wyrazów, lecz „" + shown + "”";
  }
}

namespace {

std::string QuotedWhenBlank(const std::string& text) {
  return text.find_first_of(" \t") != std::string::npos ? "\"" + text + "\"" : text;
}

}  // namespace

std::string ToolCommand() {
  // Only Windows paths are written with backslashes.
  if constexpr (std::filesystem::path::preferred_separator != '\\') return "wypelniak-slownik";
  return QuotedWhenBlank(PathText(ProgramFolder() / "wypelniak-slownik.exe"));
}

std::string RepairCommand(const std::filesystem::path& path) {
  return ToolCommand() + " repair " + QuotedWhenBlank(PathText(path));
}

std::string DamagedFileMessage(const std::filesystem::path& path, std::string_view what) {
  return "Plik słownika " + PathText(path) + " jest uszkodzony: " + std::string(what) +
         ". Napraw go poleceniem: " + RepairCommand(path) + ".";
}

std::string CountLineMessage(const std::filesystem::path& path, const CountLine& line) {
  return DamagedFileMessage(path, DescribeCountProblem(line.error, line.text));
}

std::string MisreadLineMessage(const std::filesystem::path& path, std::uint64_t lineNumber,
                               std::string_view text, const Misread& misread) {
  return DamagedFileMessage(path, "wiersz " + std::to_string(lineNumber) + " („" + ShownLine(text) +
                                      "”): " + DescribeMisread(misread) +
                                      "; wyraz dopisany do tego pliku mógłby nie zostać znaleziony");
}

std::string CountMismatchMessage(const std::filesystem::path& path, std::int64_t count, std::int64_t found) {
  std::string what = "liczba wyrazów podana w pierwszym wierszu (" + std::to_string(count) +
                     ") nie zgadza się z liczbą wyrazów w pliku (" + std::to_string(found) + ")";
  if (found > count) what += "; pominięto ostatnie wyrazy (" + std::to_string(found - count) + ")";
  return DamagedFileMessage(path, what);
}

std::string WrongEncodingMessage(const std::filesystem::path& path) {
  return "Plik słownika " + PathText(path) +
         " jest zapisany w kodowaniu UTF-8, a słownik musi być w kodowaniu Windows-1250. "
         "Przekształć go poleceniem: " +
         RepairCommand(path) + ".";
}

namespace {

// How many bytes a UTF-8 character that begins with lead has; 0 when lead
// cannot begin one.
int SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// A character Windows-1250 holds as one of its letters or signs (not one of
// the control characters its five undefined bytes stand for).
bool HeldByCp1250(char32_t c) {
  return (c < 0x80 || c > 0x9F) && UnicodeToCp1250(c) >= 0;
}

}  // namespace

bool Utf8Detector::HasBom() const {
  return headSize_ == 3 && head_[0] == 0xEF && head_[1] == 0xBB && head_[2] == 0xBF;
}

void Utf8Detector::Take(char32_t c) {
  if (c == 0xFFFD || !HeldByCp1250(c)) {
    ++foreign_;
  } else {
    ++holdable_;
  }
}

void Utf8Detector::Feed(std::string_view chunk) {
  const auto* p = reinterpret_cast<const unsigned char*>(chunk.data());
  const auto* end = p + chunk.size();
  for (std::size_t i = 0; headSize_ < 3 && i < chunk.size(); ++i) head_[headSize_++] = p[i];
  if (broken_) return;

  // A character cut at the end of the last chunk.
  while (pendingSize_ > 0 && p < end) {
    if ((*p & 0xC0) != 0x80) {
      broken_ = true;
      return;
    }
    pending_[pendingSize_++] = *p++;
    if (pendingSize_ == pendingNeed_) {
      std::size_t pos = 0;
      char32_t c = 0;
      const std::string_view sequence(reinterpret_cast<const char*>(pending_), pendingSize_);
      NextUtf8Char(sequence, pos, c);
      pendingSize_ = 0;
      if (pos != sequence.size()) {
        broken_ = true;
        return;
      }
      Take(c);
    }
  }

  while (p < end) {
    // Plain ASCII eight bytes at a time: most of any word list.
    while (end - p >= 8) {
      std::uint64_t bytes;
      std::memcpy(&bytes, p, 8);
      if (bytes & 0x8080808080808080ULL) break;
      p += 8;
    }
    if (p == end) break;
    if (*p < 0x80) {
      ++p;
      continue;
    }
    const int length = SequenceLength(*p);
    if (length == 0) {
      broken_ = true;
      return;
    }
    if (end - p < length) {
      // Cut by the chunk's end: kept for the next chunk once its bytes so far
      // are checked.
      for (const unsigned char* q = p + 1; q < end; ++q) {
        if ((*q & 0xC0) != 0x80) {
          broken_ = true;
          return;
        }
      }
      pendingSize_ = static_cast<int>(end - p);
      pendingNeed_ = length;
      std::memcpy(pending_, p, static_cast<std::size_t>(pendingSize_));
      return;
    }
    std::size_t pos = 0;
    char32_t c = 0;
    const std::string_view sequence(reinterpret_cast<const char*>(p), static_cast<std::size_t>(length));
    NextUtf8Char(sequence, pos, c);
    if (pos != sequence.size()) {
      broken_ = true;
      return;
    }
    Take(c);
    p += length;
  }
}

bool Utf8Detector::IsUtf8() const {
  if (HasBom()) return true;
  if (broken_ || pendingSize_ > 0) return false;
  return holdable_ > 0 && holdable_ > foreign_;
}

bool LooksLikeUtf8(std::string_view data) {
  Utf8Detector detector;
  detector.Feed(data);
  return detector.IsUtf8();
}

namespace {

// A blank the search passes over or the eye cannot see at a word's edge:
// space, tab and the no-break space (0xA0 in Windows-1250).
bool IsEdgeBlank(unsigned char b) {
  return b == ' ' || b == '\t' || b == 0xA0;
}

}  // namespace

bool IsControlByte(unsigned char b) {
  return b < 0x20 || b == 0x7F || b == 0x81 || b == 0x83 || b == 0x88 || b == 0x90 || b == 0x98;
}

Misread FindMisread(std::string_view line) {
  if (line.empty()) return {};
  if (IsBlank(line.front())) return {Misreading::LeadingBlank, 1};
  if (line.front() == '"') return {Misreading::Quote, 1};
  if (const std::size_t comma = line.find(','); comma != std::string_view::npos)
    return {Misreading::Comma, comma + 1};
  return {};
}

std::string DescribeMisread(const Misread& misread) {
  switch (misread.kind) {
    case Misreading::None: return {};
    case Misreading::LeadingBlank:
      return "odstęp na początku: wyszukiwanie pominie go i odczyta ten wyraz inaczej";
    case Misreading::Quote:
      return "cudzysłów na początku: wyszukiwanie odczyta wszystko do następnego cudzysłowu, choćby w "
             "dalszych wierszach, jako jeden wyraz";
    case Misreading::Comma:
      return "przecinek (znak " + std::to_string(misread.column) +
             "): wyszukiwanie odczyta ten wiersz jako dwa wyrazy";
  }
  return {};
}

WordProblem CheckStorableWord(std::string_view cp1250) {
  if (cp1250.empty()) return WordProblem::Empty;
  if (cp1250.size() < static_cast<std::size_t>(MinWordLength)) return WordProblem::TooShort;
  if (cp1250.size() > static_cast<std::size_t>(MaxWordLength)) return WordProblem::TooLong;
  for (char ch : cp1250)
    if (IsControlByte(static_cast<unsigned char>(ch))) return WordProblem::ControlChar;
  if (cp1250.find(',') != std::string_view::npos) return WordProblem::Comma;
  if (cp1250.find('"') != std::string_view::npos) return WordProblem::DoubleQuote;
  if (IsEdgeBlank(static_cast<unsigned char>(cp1250.front()))) return WordProblem::LeadingBlank;
  if (IsEdgeBlank(static_cast<unsigned char>(cp1250.back()))) return WordProblem::TrailingBlank;
  return WordProblem::None;
}

WordProblem CheckTypedWord(std::string_view utf8, std::string* stored) {
  if (utf8.empty()) return WordProblem::Empty;
  const std::size_t n = Utf8Length(utf8);
  if (n < static_cast<std::size_t>(MinWordLength)) return WordProblem::TooShort;
  if (n > static_cast<std::size_t>(MaxWordLength)) return WordProblem::TooLong;
  // Control characters first: a line end typed into a word is named as such,
  // whether or not Windows-1250 has it.
  std::size_t pos = 0;
  char32_t c = 0;
  while (NextUtf8Char(utf8, pos, c))
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) return WordProblem::ControlChar;
  const std::optional<std::string> bytes = Utf8ToCp1250(utf8);
  if (!bytes) return WordProblem::UnstorableChar;
  const WordProblem problem = CheckStorableWord(*bytes);
  if (problem == WordProblem::None && stored != nullptr) *stored = *bytes;
  return problem;
}

std::string WordProblemMessage(WordProblem problem, std::string_view word) {
  switch (problem) {
    case WordProblem::None: return {};
    case WordProblem::Empty: return "Nic nie wpisałeś";
    case WordProblem::TooShort: return "Nie można dodawać do słownika wyrazów krótszych niż dwuznakowych";
    case WordProblem::TooLong:
      return "Nie można dodawać do słownika wyrazów dłuższych niż te, które mają 22 znaki";
    case WordProblem::ControlChar:
      return "Wyraz zawiera znak sterujący (na przykład koniec wiersza lub tabulację), "
             "którego nie można zapisać w słowniku";
    case WordProblem::UnstorableChar: {
      std::size_t pos = 0;
      char32_t c = 0;
      while (NextUtf8Char(word, pos, c)) {
        if (c == 0xFFFD || UnicodeToCp1250(c) < 0) {
          std::string shown;
          AppendUtf8(c, shown);
          return "Wyraz zawiera znak „" + shown +
                 "”, którego nie można zapisać w słowniku (kodowanie Windows-1250)";
        }
      }
      return "Wyraz zawiera znak, którego nie można zapisać w słowniku (kodowanie Windows-1250)";
    }
    case WordProblem::Comma:
      return "Wyraz zawiera przecinek, którego nie można zapisać w słowniku: "
             "w pliku słownika przecinek rozdziela wyrazy";
    case WordProblem::DoubleQuote:
      return "Wyraz zawiera cudzysłów (\"), którego nie można zapisać w słowniku: "
             "w pliku słownika cudzysłów otacza wyrazy";
    case WordProblem::LeadingBlank:
      return "Wyraz zaczyna się od odstępu, którego nie można zapisać w słowniku: "
             "wyszukiwanie pomija odstępy na początku wyrazu";
    case WordProblem::TrailingBlank:
      return "Wyraz kończy się odstępem, którego nie można zapisać w słowniku: "
             "odstępu nie widać, a liczy się do długości wyrazu";
  }
  return {};
}

std::string DescribeFileError(const std::error_code& ec) {
  if (ec.category() == platform::RefusalCategory()) {
    switch (static_cast<platform::FileRefusal>(ec.value())) {
      case platform::FileRefusal::Fifo: return "to jest potok nazwany (FIFO), a nie zwykły plik";
      case platform::FileRefusal::Socket: return "to jest gniazdo (socket), a nie zwykły plik";
      case platform::FileRefusal::Device: return "to jest urządzenie, a nie zwykły plik";
      case platform::FileRefusal::NotRegular: return "to nie jest zwykły plik";
      case platform::FileRefusal::Link:
        return "to jest dowiązanie symboliczne, a w tym miejscu może stać tylko zwykły plik";
      case platform::FileRefusal::ForeignLink:
        return "to jest dowiązanie symboliczne, które (albo to, do czego prowadzi) należy do innego "
               "użytkownika, więc program nie zapisze przez nie słownika; zastąp dowiązanie kopią tego, do "
               "czego prowadzi";
      case platform::FileRefusal::LinkTarget:
        return "to jest dowiązanie symboliczne, które nie prowadzi do zwykłego pliku ani folderu";
      case platform::FileRefusal::Changed:
        return "plik zmienił się podczas dodawania wyrazu (zmienia go jednocześnie inny program); spróbuj "
               "ponownie";
      case platform::FileRefusal::Swapped:
        return "nowy plik podmienił inny program, zanim trafił on na swoje miejsce (ktoś poza tobą zmienia "
               "folder słownika); spróbuj ponownie";
      case platform::FileRefusal::SwappedInPlace:
        return "nowy plik podmienił inny program w chwili, gdy trafiał on na swoje miejsce, więc stoi tam "
               "teraz coś innego niż zapisany słownik (ktoś poza tobą zmienia folder słownika)";
    }
  }
  if (ec.category() == platform::FileErrorCategory()) {
    switch (static_cast<platform::FileError>(ec.value())) {
      case platform::FileError::InUse: return "plik jest otwarty w innym programie";
      case platform::FileError::BadName: return "nazwa pliku jest nieprawidłowa";
      case platform::FileError::QuotaExceeded:
        return "przekroczony przydział miejsca na dysku dla użytkownika";
      case platform::FileError::NetworkFileGone: return "plik na dysku sieciowym przestał być dostępny";
    }
  }
  if (ec == std::errc::no_such_file_or_directory) return "plik nie istnieje";
  if (ec == std::errc::permission_denied || ec == std::errc::operation_not_permitted)
    return "brak uprawnień dostępu";
  if (ec == std::errc::is_a_directory) return "to jest folder, a nie plik";
  if (ec == std::errc::not_a_directory) return "ścieżka prowadzi przez plik, a nie folder";
  if (ec == std::errc::no_space_on_device) return "brak miejsca na dysku";
  if (ec == std::errc::read_only_file_system) return "dysk jest tylko do odczytu";
  if (ec == std::errc::io_error) return "błąd odczytu lub zapisu na dysku";
  if (ec == std::errc::too_many_files_open || ec == std::errc::too_many_files_open_in_system)
    return "otwarto zbyt wiele plików";
  if (ec == std::errc::not_enough_memory) return "brak pamięci";
  if (ec == std::errc::file_too_large) return "plik jest za duży";
  if (ec == std::errc::too_many_symbolic_link_levels)
    return "dowiązania symboliczne tworzą pętlę albo jest ich po drodze zbyt wiele";
  if (ec == std::errc::no_such_device_or_address || ec == std::errc::no_such_device)
    return "to jest gniazdo (socket) albo urządzenie, którego nie ma, a nie zwykły plik";
  if (ec == std::errc::not_a_socket) return "to nie jest gniazdo (socket)";
  if (ec == std::errc::resource_unavailable_try_again || ec == std::errc::operation_would_block)
    return "plik jest chwilowo niedostępny";
  if (ec == std::errc::text_file_busy) return "plik jest używany przez uruchomiony program";
  if (ec == std::errc::device_or_resource_busy) return "plik jest zajęty przez inny program";
  if (ec == std::errc::too_many_links) return "plik ma zbyt wiele dowiązań";
  if (ec == std::errc::filename_too_long) return "ścieżka jest za długa";
  if (ec == std::errc::file_exists) return "plik o tej nazwie już istnieje";
  if (ec == std::errc::directory_not_empty) return "folder nie jest pusty";
  if (ec == std::errc::cross_device_link) return "pliki leżą na różnych dyskach";
  if (ec == std::errc::no_lock_available) return "system plików nie pozwala zablokować pliku";
  if (ec == std::errc::function_not_supported || ec == std::errc::operation_not_supported ||
      ec == std::errc::not_supported)
    return "system plików nie obsługuje tej operacji";
  if (ec == std::errc::invalid_argument) return "system plików nie przyjął tej operacji";
  if (ec == std::errc::bad_file_descriptor) return "plik został zamknięty lub nie pozwala na tę operację";
  if (ec == std::errc::interrupted) return "operacja została przerwana";
  if (ec == std::errc::timed_out || ec == std::errc::host_unreachable ||
      ec == std::errc::network_unreachable || ec == std::errc::network_down ||
      ec == std::errc::connection_reset || ec == std::errc::connection_aborted)
    return "dysk sieciowy nie odpowiada";
  return "nieznany błąd systemu (nr " + std::to_string(ec.value()) + ")";
}

std::string DescribeTooLarge(std::uint64_t bytes) {
  constexpr std::uint64_t kMiB = std::uint64_t{1} << 20, kGiB = std::uint64_t{1} << 30;
  const std::string limit = MaxListFileBytes % kGiB == 0 ? std::to_string(MaxListFileBytes / kGiB) + " GiB"
                                                         : std::to_string(MaxListFileBytes / kMiB) + " MiB";
  return "plik jest za duży (" + std::to_string(bytes / kMiB) + " MiB); program przyjmuje pliki słownika " +
         "najwyżej " + limit + " (prawdziwy słownik ma kilka megabajtów), bo wyszukiwanie może wypisać " +
         "każdy wyraz pliku, a dodanie wyrazu może wymagać wczytania całego pliku";
}

std::string PathText(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace wypelniak
