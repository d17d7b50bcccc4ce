// The check command: what is wrong with the files of a word-list folder, and
// which command puts it right.
#include <algorithm>

#include "cp1250.h"
#include "internal.h"
#include "wordlist.h"

namespace wypelniak::slownik {
namespace fs = std::filesystem;
using namespace detail;

namespace {

// Collects the problems of one file; the text is made only for those listed.
class Findings {
 public:
  explicit Findings(FileReport& report) : report_(report) {}
  template <typename MakeText>
  void Add(ProblemKind kind, std::size_t line, MakeText&& makeText) {
    if (report_.problems.size() < kListedProblems) report_.problems.push_back({kind, line, makeText()});
    ++report_.problemCount;
  }

 private:
  FileReport& report_;
};

// One line of a file, without its line end, and the first column (from 1;
// 0 for none) of each kind of byte the check looks for: a control byte of
// the high half is one Windows-1250 leaves undefined.
struct Line {
  std::string_view text;
  std::size_t control = 0, undefined = 0;
};

// Reads the line that starts at pos up to its CR or LF.
Line ScanLine(std::string_view data, std::size_t pos) {
  Line line;
  std::size_t end = pos;
  for (; end < data.size(); ++end) {
    const auto b = static_cast<unsigned char>(data[end]);
    if (b == '\r' || b == '\n') break;
    if (!IsControlByte(b)) continue;
    std::size_t& first = b >= 0x80 ? line.undefined : line.control;
    if (first == 0) first = end - pos + 1;
  }
  line.text = data.substr(pos, end - pos);
  return line;
}

// Checks line 1; true when it holds a count, then stored in count. Beyond
// what the readers accept, the count must be written as the program writes
// it: decimal digits only.
bool CheckCountLine(std::string_view line, std::int32_t& count, Findings& found) {
  const bool digits =
      !line.empty() && std::all_of(line.begin(), line.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (!digits || ParseCount(line, count) != CountError::None) {
    found.Add(ProblemKind::BadCount, 1, [&] {
      if (digits) return "liczba wyrazów " + std::string(line) + " jest za duża";
      return line.empty()
                 ? std::string("wiersz jest pusty, a powinien zawierać liczbę wyrazów")
                 : "zamiast liczby wyrazów jest " + ShowWord(line) + " (dozwolone są tylko cyfry 0-9)";
    });
    return false;
  }
  return true;
}

void CheckWordLine(int n, const Line& line, std::size_t lineNumber, Findings& found) {
  const std::string_view text = line.text;
  if (text.size() != static_cast<std::size_t>(n)) {
    found.Add(ProblemKind::WrongLength, lineNumber, [&] {
      return "wyraz " + ShowWord(text) + " ma " + Num(text.size()) + ' ' +
             Plural(text.size(), "znak", "znaki", "znaków") + " zamiast " + std::to_string(n);
    });
  }
  if (line.undefined != 0) {
    found.Add(ProblemKind::UndefinedByte, lineNumber, [&] {
      return "bajt " + ByteText(static_cast<unsigned char>(text[line.undefined - 1])) +
             " nie oznacza żadnego znaku w Windows-1250 (znak " + Num(line.undefined) + ")";
    });
  }
  if (line.control != 0) {
    found.Add(ProblemKind::ControlByte, lineNumber, [&] {
      return "znak sterujący " + ByteText(static_cast<unsigned char>(text[line.control - 1])) + " (znak " +
             Num(line.control) + ")";
    });
  }
  if (const Misread misread = FindMisread(text); misread.kind != Misreading::None)
    found.Add(ProblemKind::Separator, lineNumber, [&] { return DescribeMisread(misread); });
}

// The number of the line that begins at pos: any of CR LF, CR and LF ends a
// line, as in ScanLine and CheckLineEnd.
std::size_t LineNumberAt(std::string_view data, std::size_t pos) {
  std::size_t number = 1;
  for (std::size_t i = 0; i < pos; ++i)
    if (data[i] == '\n' || (data[i] == '\r' && (i + 1 >= data.size() || data[i + 1] != '\n'))) ++number;
  return number;
}

// The words of length n of a file seen so far, by their lower case
// (Cp1250ToLower): two lines equal in lower case hold the same word twice.
class SeenWords {
 public:
  SeenWords(int n, std::string_view data, std::size_t lines)
      : n_(static_cast<std::size_t>(n)), lower_(Cp1250ToLower(data)), data_(data) {
    table_.Reset(lines, lower_.data(), n_);
  }
  // Takes in the word line at pos; reports it when it repeats one.
  void Take(std::size_t pos, std::size_t size, std::size_t lineNumber, Findings& found) {
    if (size != n_) return;
    const std::uint32_t hash = HashWord(std::string_view(lower_).substr(pos, size));
    const char* earlier = table_.Find(hash, lower_.data() + pos);
    if (earlier == nullptr) {
      table_.Insert(hash, static_cast<std::uint32_t>(pos));
      return;
    }
    const auto at = static_cast<std::size_t>(earlier - lower_.data());
    found.Add(ProblemKind::Repeat, lineNumber, [&] {
      return "wyraz " + ShowWord(data_.substr(pos, size)) + " to ten sam wyraz co " +
             ShowWord(data_.substr(at, size)) + " w wierszu " + Num(LineNumberAt(data_, at)) +
             " (wielkość liter nie ma znaczenia)";
    });
  }

 private:
  std::size_t n_;
  std::string lower_;
  std::string_view data_;
  WordTable table_;
};

// Checks the line end at end; returns where the next line begins.
std::size_t CheckLineEnd(std::string_view data, std::size_t end, std::size_t lineNumber, Findings& found) {
  if (end == data.size()) {
    found.Add(ProblemKind::NoFinalLineEnd, lineNumber,
              [] { return std::string("brak końca wiersza (CR LF) na końcu pliku"); });
    return end;
  }
  if (data[end] == '\n') {
    found.Add(ProblemKind::LoneLf, lineNumber,
              [] { return std::string("wiersz kończy się samym znakiem LF zamiast CR LF"); });
    return end + 1;
  }
  if (end + 1 < data.size() && data[end + 1] == '\n') return end + 2;
  found.Add(ProblemKind::LoneCr, lineNumber,
            [] { return std::string("wiersz kończy się samym znakiem CR zamiast CR LF"); });
  return end + 1;
}

// Kinds of problem that "repair" puts right.
bool RepairFixes(ProblemKind kind) {
  switch (kind) {
    case ProblemKind::Empty:
    case ProblemKind::BadCount:
    case ProblemKind::CountMismatch:
    case ProblemKind::LoneLf:
    case ProblemKind::LoneCr:
    case ProblemKind::NoFinalLineEnd:
    case ProblemKind::Separator:
    case ProblemKind::Utf8:
    case ProblemKind::Leftover: return true;
    default: return false;
  }
}

// The lines that tell how to put a file's problems right.
void ReportFixes(std::ostream& out, const fs::path& folder, const FileReport& report) {
  const std::string name = WordFileName(report.length);
  const fs::path path = WordFilePath(folder, report.length);
  bool repairable = false, byHand = false, missing = false, notFile = false, repeats = false;
  for (const Problem& p : report.problems) {
    repairable = repairable || RepairFixes(p.kind);
    missing = missing || p.kind == ProblemKind::Missing;
    notFile = notFile || p.kind == ProblemKind::NotRegular || p.kind == ProblemKind::Unreadable;
    repeats = repeats || p.kind == ProblemKind::Repeat;
    byHand = byHand ||
             (!RepairFixes(p.kind) && p.kind != ProblemKind::Missing && p.kind != ProblemKind::NotRegular &&
              p.kind != ProblemKind::Unreadable && p.kind != ProblemKind::Repeat);
  }
  // No command can tell which of two spellings of a word the user meant.
  if (repeats)
    out << name
        << ": z każdej pary powtórzonych wyrazów usuń jeden (ten, którego pisownia jest zła) w edytorze "
        << "zapisującym w Windows-1250, a liczbę wyrazów napraw poleceniem: " << RepairCommand(path) << '\n';
  if (missing)
    out << name << ": utwórz go, dopisując wyrazy ze źródła: wypelniak-slownik merge ŹRÓDŁO "
        << ShellArg(folder) << '\n';
  if (notFile)
    out << name << ": usuń go lub zastąp zwykłym plikiem (albo nadaj prawo odczytu), a brakujący plik utwórz "
        << "poleceniem: wypelniak-slownik merge ŹRÓDŁO " << ShellArg(folder) << '\n';
  if (byHand)
    out << name << ": tych wierszy polecenie repair nie zmienia; popraw je lub usuń w edytorze zapisującym "
        << "w Windows-1250, a liczbę wyrazów napraw poleceniem: " << RepairCommand(path) << '\n';
  else if (repairable)
    out << name << ": napraw poleceniem: " << RepairCommand(path) << '\n';
}

// Adds to reports every temporary file left in folder by a write that did
// not finish.
void FindLeftovers(const fs::path& folder, std::vector<FileReport>& reports) {
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = PathText(it->path().filename());
    const int n = TemporaryFileLength(name);
    if (n == 0) continue;
    FileReport& report = reports[static_cast<std::size_t>(n - MinWordLength)];
    Findings(report).Add(ProblemKind::Leftover, 0, [&] {
      return "w folderze pozostał plik tymczasowy " + name + " po zapisie, który się nie skończył";
    });
  }
}

}  // namespace

FileReport CheckWordFileData(int n, std::string_view data) {
  FileReport report;
  report.length = n;
  Findings found(report);
  if (data.empty()) {
    found.Add(ProblemKind::Empty, 0,
              [] { return std::string("plik jest pusty: brak wiersza z liczbą wyrazów"); });
    return report;
  }
  if (LooksLikeUtf8(data)) {
    found.Add(ProblemKind::Utf8, 0, [] {
      return std::string("plik jest zapisany w kodowaniu UTF-8, a lista słów musi być w Windows-1250");
    });
    return report;
  }

  bool countValid = false;
  std::int32_t count = 0;
  std::size_t lineNumber = 0;
  // No more word lines than line ends and one more.
  const auto lineEnds = static_cast<std::size_t>(std::count(data.begin(), data.end(), '\r') +
                                                 std::count(data.begin(), data.end(), '\n'));
  SeenWords seen(n, data, lineEnds + 1);
  for (std::size_t pos = 0; pos < data.size();) {
    ++lineNumber;
    // Any of CR LF, CR and LF ends a line here, as in a text editor, so that
    // the line numbers match what the user sees.
    const Line line = ScanLine(data, pos);
    if (lineNumber == 1) {
      countValid = CheckCountLine(line.text, count, found);
    } else {
      ++report.words;
      CheckWordLine(n, line, lineNumber, found);
      seen.Take(pos, line.text.size(), lineNumber, found);
    }
    pos = CheckLineEnd(data, pos + line.text.size(), lineNumber, found);
  }

  if (countValid && static_cast<std::size_t>(count) != report.words) {
    found.Add(ProblemKind::CountMismatch, 1, [&] {
      return "liczba wyrazów w wierszu 1 to " + std::to_string(count) + ", a wierszy z wyrazami jest " +
             Num(report.words);
    });
  }
  return report;
}

std::vector<FileReport> CheckWordFiles(const fs::path& folder) {
  std::vector<FileReport> reports;
  std::string data;
  for (int n = MinWordLength; n <= MaxWordLength; ++n) {
    bool missing = false;
    const std::string problem = ReadRegularFile(WordFilePath(folder, n), data, MaxListFileBytes, &missing);
    if (problem.empty()) {
      reports.push_back(CheckWordFileData(n, data));
      continue;
    }
    FileReport report;
    report.length = n;
    report.problemCount = 1;
    std::error_code ec;
    const fs::file_status status = fs::status(WordFilePath(folder, n), ec);
    if (missing)
      report.problems.push_back({ProblemKind::Missing, 0, "brak pliku"});
    else if (fs::exists(status) && !fs::is_regular_file(status) && !fs::is_directory(status))
      report.problems.push_back({ProblemKind::NotRegular, 0, problem});
    else
      report.problems.push_back({ProblemKind::Unreadable, 0, "nie można odczytać pliku: " + problem});
    reports.push_back(std::move(report));
  }
  FindLeftovers(folder, reports);
  return reports;
}

int RunCheck(const fs::path& folder, std::ostream& out, std::ostream& err) {
  std::error_code ec;
  const fs::file_status status = fs::status(folder, ec);
  if (!fs::exists(status)) {
    err << "Folder " << PathText(folder) << " nie istnieje. Utwórz listę słów poleceniem: wypelniak-slownik "
        << "build ŹRÓDŁO " << ShellArg(folder) << '\n';
    return kExitProblems;
  }
  if (!fs::is_directory(status)) {
    err << PathText(folder) << " to plik, a nie folder z listą słów.\n";
    return kExitProblems;
  }

  std::size_t problems = 0, badFiles = 0, words = 0;
  for (const FileReport& report : CheckWordFiles(folder)) {
    words += report.words;
    if (report.problemCount == 0) continue;
    ++badFiles;
    problems += report.problemCount;
    const std::string name = WordFileName(report.length);
    for (const Problem& p : report.problems) {
      out << name;
      if (p.line > 0) out << ", wiersz " << p.line;
      out << ": " << p.text << '\n';
    }
    if (report.problemCount > report.problems.size()) {
      const std::size_t rest = report.problemCount - report.problems.size();
      out << name << ": … i " << rest << ' ' << Plural(rest, "inny", "inne", "innych") << '\n';
    }
    ReportFixes(out, folder, report);
  }

  if (problems == 0) {
    out << "Pliki slow.2 … slow.22 w folderze " << PathText(folder) << " są w porządku: " << words << ' '
        << Plural(words, "wyraz", "wyrazy", "wyrazów") << ".\n";
    return kExitOk;
  }
  out << "Znaleziono " << problems << ' ' << Plural(problems, "problem", "problemy", "problemów") << " w "
      << badFiles << ' ' << (badFiles == 1 ? "pliku" : "plikach") << " (folder " << PathText(folder)
      << ").\n";
  return kExitProblems;
}

}  // namespace wypelniak::slownik
