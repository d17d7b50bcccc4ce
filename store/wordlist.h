#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

// The word list: one file per word length, slow/slow.<N> in the program
// folder, Windows-1250 text. Line 1 holds the number of words, then one word
// a line; every line the program writes ends in CR LF.
//
// This module is the one home of the format; every reader and writer (the
// search, the addition, the word-list tool, the fuzz targets) goes by it:
//   file names      WordListPath, TempListPath, LockPath
//   not Windows-1250 LooksLikeUtf8 (whole file), Utf8Detector (chunk by chunk)
//   the count line  ReadCountLine (whole first line, then ParseCount)
//   a storable word CheckStorableWord (Windows-1250), CheckTypedWord (UTF-8),
//                   WordProblemMessage, IsControlByte
//   a misread line  FindMisread, DescribeMisread
//   messages        WrongEncodingMessage, CountLineMessage, MisreadLineMessage,
//                   CountMismatchMessage, DamagedFileMessage: each names
//                   RepairCommand(path), the command that mends the file
namespace wypelniak {

inline constexpr int MinWordLength = 2;
inline constexpr int MaxWordLength = 22;

// The largest word-list file the program and the word-list tool read: a
// search may list every word of it, an addition to a file whose lines must be
// rebuilt holds it whole in memory, and so does the tool. The longest real
// list is a few megabytes; a larger file is refused before it is read.
inline constexpr std::uint64_t MaxListFileBytes = std::uint64_t{1} << 30;

// The folder of the running executable; all files are found from it.
std::filesystem::path ProgramFolder();

// slow/ inside the program folder.
std::filesystem::path DictionaryFolder(const std::filesystem::path& programFolder = ProgramFolder());

// slow/slow.<n>: the word-list file for words of n characters.
std::filesystem::path WordListPath(int n, const std::filesystem::path& programFolder = ProgramFolder());

// slow/~slow.<n>: the temporary copy made while a word is being added.
std::filesystem::path TempListPath(int n, const std::filesystem::path& programFolder = ProgramFolder());

// slow/.lock: the lock file every change to the word list holds. It stays in
// the folder, empty.
std::filesystem::path LockPath(const std::filesystem::path& programFolder = ProgramFolder());

namespace detail {

// Whether none of the n bytes at p is a comma or CR; the bytes up to end may
// be read.
inline bool HoldsNoDelimiter(const char* p, std::size_t n, const char* end) {
#if defined(__SSE2__) || defined(_M_X64)
  if (n <= 32 && end - p >= 16) {
    const auto delimiters = [](const char* at) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
      return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(
          _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r')), _mm_cmpeq_epi8(bytes, _mm_set1_epi8(',')))));
    };
    if (n <= 16) return (delimiters(p) & ((1u << n) - 1)) == 0;
    // The second sixteen overlap the first: together they cover all n.
    return delimiters(p) == 0 && delimiters(p + n - 16) == 0;
  }
#endif
  for (std::size_t i = 0; i < n; ++i)
    if (p[i] == ',' || p[i] == '\r') return false;
  return true;
}

}  // namespace detail

// ---- Reading -------------------------------------------------------------------

// Reads values one after another from a file's bytes: a value ends at a comma
// or at a line end (CR or CR LF; a lone LF does not end a line), leading
// blanks are skipped, and a value that begins with a double quotation mark
// runs to the next one; both marks are dropped, and what follows the closing
// mark up to the next comma or line end is passed over.
class CountedReader {
 public:
  explicit CountedReader(std::string_view data) : data_(data) {}

  // Reads the next value; false when the data has run out.
  bool Next(std::string_view& value);
  // Reads the next value exactly as Next does, faster when it is length bytes
  // ended by CR LF, as nearly every word of a sound word-list file is: the
  // next value's place is then known before this one has been looked at, so
  // the processor need not wait for each word's end to find the next word.
  // Inline, so that a search's loop keeps its place in a register.
  bool NextExpecting(std::size_t length, std::string_view& value) {
    const char* p = data_.data() + pos_;
    const char* end = data_.data() + data_.size();
    const std::size_t rest = data_.size() - pos_;
    if (length > 0 && rest >= 2 && length <= rest - 2 && p[length] == '\r' && p[length + 1] == '\n' &&
        p[0] != ' ' && p[0] != '\t' && p[0] != '"' && detail::HoldsNoDelimiter(p, length, end)) {
      value = data_.substr(pos_, length);
      pos_ += length + 2;
      return true;
    }
    return Next(value);
  }

  // Where the next value's reading begins.
  std::size_t Position() const { return pos_; }

 private:
  // Moves past a comma or a line end at pos_, if one stands there.
  void SkipDelimiter();

  std::string_view data_;
  std::size_t pos_ = 0;
};

// Reads whole lines, each without its line end (CR or CR LF).
class LineReader {
 public:
  explicit LineReader(std::string_view data) : data_(data) {}

  bool AtEnd() const { return pos_ >= data_.size(); }
  // The next line; call only when not AtEnd().
  std::string_view ReadLine();
  // Where the next line begins.
  std::size_t Position() const { return pos_; }

 private:
  std::string_view data_;
  std::size_t pos_ = 0;
};

// ---- The count line -------------------------------------------------------

// Why the first line of a word-list file is not a count.
enum class CountError { None, Empty, NotANumber, Negative, TooLarge, EmptyFile };

// Converts the text of a count line into the number of words: a decimal
// number, blanks around it allowed, a fraction rounded to the nearest whole
// number (halves to even). It must fit a 32-bit signed number and must not be
// negative. Nothing else may stand on the line: "3,kut" and "\"3\"" are not
// counts.
CountError ParseCount(std::string_view value, std::int32_t& count);

// The first line of a word-list file as the search and the addition both read
// it: the whole line up to its end (CR or CR LF), taken by ParseCount.
struct CountLine {
  CountError error = CountError::EmptyFile;
  std::int32_t count = 0;      // the number of words; 0 unless error is None
  std::string_view text;       // the line, without its end
  std::size_t wordsStart = 0;  // where the first word line begins
};
CountLine ReadCountLine(std::string_view data);

// A Polish description of why the first value of a word-list file is not a
// count, for messages ("pierwszy wiersz nie zawiera liczby wyrazów, ...").
std::string DescribeCountProblem(CountError error, std::string_view value);

// ---- A line the search reads otherwise ------------------------------------------
//
// The addition and the word-list tool take a file's word lines whole; the
// search reads values (CountedReader). Both read a line as the same word
// unless the search splits it at a comma, passes over blanks at its start, or
// takes a double quotation mark at its start for the opening of a value that
// runs to the next mark, across line ends. A file without such a line reads
// as the same words both ways; in one with such a line a word added at the
// end may lie beyond the count the search goes by, and is never found.

enum class Misreading { None, LeadingBlank, Quote, Comma };

struct Misread {
  Misreading kind = Misreading::None;
  std::size_t column = 0;  // from 1, in bytes; 0 for None
};

// What makes the search read a word line (without its line end) otherwise.
Misread FindMisread(std::string_view line);

// A Polish description of it: "przecinek (znak 4): wyszukiwanie odczyta ten
// wiersz jako dwa wyrazy". Empty for None.
std::string DescribeMisread(const Misread& misread);

// ---- Messages naming the command that mends a file ---------------------------

// How a command prompt runs the word-list tool: by its name where the
// installation puts it on the search path; on Windows, where the program
// folder is not on it, by the full path of wypelniak-slownik.exe beside the
// program (quoted when it holds a blank).
std::string ToolCommand();

// The command that repairs one damaged word-list file in place:
// "<ToolCommand()> repair <path>" (the path quoted when it holds a blank).
std::string RepairCommand(const std::filesystem::path& path);

// "Plik słownika <path> jest uszkodzony: <what>. Napraw go poleceniem: ..."
std::string DamagedFileMessage(const std::filesystem::path& path, std::string_view what);

// The message for a file whose first line is not a count (line.error != None).
std::string CountLineMessage(const std::filesystem::path& path, const CountLine& line);

// The message for a file whose word line lineNumber (text, as much of it as
// is to be shown) the search reads otherwise: a word added to that file may
// never be found.
std::string MisreadLineMessage(const std::filesystem::path& path, std::uint64_t lineNumber,
                               std::string_view text, const Misread& misread);

// The message the search shows once, after the list, when the count on the
// first line (count) is not the number of words it found in the file (found):
// it listed only what the count allows.
std::string CountMismatchMessage(const std::filesystem::path& path, std::int64_t count, std::int64_t found);

// The message for a word-list file written in UTF-8 instead of Windows-1250.
std::string WrongEncodingMessage(const std::filesystem::path& path);

// ---- Recognising a file that is not Windows-1250 -----------------------------

// Tells from a file's bytes, fed in order in chunks of any size (a character
// may be cut between two chunks), whether the file is UTF-8 rather than
// Windows-1250. It is UTF-8 when it begins with the UTF-8 byte order mark, or
// when the whole of it reads as UTF-8 with at least one character beyond
// ASCII and most such characters are ones Windows-1250 can hold. Windows-1250
// text reads as UTF-8 only by chance ("DÓŁ", "NÓŻ") and then decodes to
// characters Windows-1250 has not got (Cyrillic, phonetic signs), so a Polish
// list in Windows-1250 is never taken for UTF-8.
class Utf8Detector {
 public:
  // Looks at the next bytes of the file.
  void Feed(std::string_view chunk);
  // Whether more bytes can no longer make the file UTF-8 (a caller may stop
  // feeding).
  bool Decided() const { return broken_ && headSize_ == 3 && !HasBom(); }
  // The verdict, taking the bytes fed so far as the whole file.
  bool IsUtf8() const;

 private:
  bool HasBom() const;
  void Take(char32_t c);

  unsigned char head_[3] = {};  // the file's first bytes, for the byte order mark
  int headSize_ = 0;
  unsigned char pending_[4] = {};  // a character cut at the end of a chunk
  int pendingSize_ = 0;
  int pendingNeed_ = 0;         // the whole length of that character
  bool broken_ = false;         // a byte that cannot be UTF-8 was seen
  std::uint64_t holdable_ = 0;  // characters beyond ASCII that Windows-1250 has
  std::uint64_t foreign_ = 0;   // characters beyond ASCII that it has not
};

// The verdict of Utf8Detector on a whole file held in memory.
bool LooksLikeUtf8(std::string_view data);

// ---- What a storable word is ---------------------------------------------------
//
// A word goes into a word-list file only if the search reads it back as
// itself, so the format's delimiters and what the search passes over cannot
// be part of it. The addition refuses such a word with the word's own
// message and writes nothing; the word-list tool and the fuzz targets use the
// same rule.

// Why a word cannot be stored, or None.
enum class WordProblem {
  None,
  Empty,           // nothing typed
  TooShort,        // fewer than MinWordLength characters
  TooLong,         // more than MaxWordLength characters
  ControlChar,     // a control character (line end, tab, ...), the five bytes
                   // Windows-1250 leaves undefined among them
  UnstorableChar,  // a character Windows-1250 has not got (or broken UTF-8)
  Comma,           // a comma: it ends a value, the word would read as two
  DoubleQuote,     // a double quotation mark: it opens a quoted value
  LeadingBlank,    // a blank first: the search passes over it
  TrailingBlank,   // a blank last: invisible in every list, the word would
                   // have a length the user does not see
};

// A control character (C0 or DEL) or one of the five bytes Windows-1250
// leaves undefined (which decode to C1 controls): no word holds one, so a
// line that does comes from a damaged file.
bool IsControlByte(unsigned char b);

// Checks a word given as Windows-1250 bytes (one byte a character).
WordProblem CheckStorableWord(std::string_view cp1250);

// Checks a word given as UTF-8 text, as typed in a window; lengths are
// counted in characters. When it is storable and stored is given, *stored
// receives its Windows-1250 bytes.
WordProblem CheckTypedWord(std::string_view utf8, std::string* stored = nullptr);

// The Polish message for a problem; word (UTF-8) lets the message of
// UnstorableChar name the character. Empty for None.
std::string WordProblemMessage(WordProblem problem, std::string_view word = {});

// ---- Messages about files ---------------------------------------------------------

// A Polish description of why a file operation failed, for messages.
std::string DescribeFileError(const std::error_code& ec);

// A Polish description of a word-list file over MaxListFileBytes, for
// messages: its size, the limit and why there is one.
std::string DescribeTooLarge(std::uint64_t bytes);

// A path as UTF-8 text, for messages.
std::string PathText(const std::filesystem::path& path);

}  // namespace wypelniak
