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
namespace wypelniak {

inline constexpr int MinWordLength = 2;
inline constexpr int MaxWordLength = 22;

// The folder of the running executable; all files are found from it.
std::filesystem::path ProgramFolder();

// slow/ inside the program folder.
std::filesystem::path DictionaryFolder(const std::filesystem::path& programFolder = ProgramFolder());

// slow/slow.<n>: the word-list file for words of n characters.
std::filesystem::path WordListPath(int n, const std::filesystem::path& programFolder = ProgramFolder());

// slow/~slow.<n>: the temporary copy made while a word is being added.
std::filesystem::path TempListPath(int n, const std::filesystem::path& programFolder = ProgramFolder());

namespace detail {

// Whether none of the n bytes at p is a comma or CR; the bytes up to end may
// be read.
inline bool HoldsNoDelimiter(const char* p, std::size_t n, const char* end) {
#if defined(__SSE2__) || defined(_M_X64)
  if (n <= 32 && end - p >= 16) {
    const auto delimiters = [](const char* at) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
      return static_cast<unsigned>(_mm_movemask_epi8(
          _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r')), _mm_cmpeq_epi8(bytes, _mm_set1_epi8(',')))));
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

// Why a count value could not be taken.
enum class CountError { None, Empty, NotANumber, Negative, TooLarge };

// Converts the first value of a word-list file into the number of words: a
// decimal number, blanks around it allowed, a fraction rounded to the nearest
// whole number (halves to even). It must fit a 32-bit signed number and must
// not be negative.
CountError ParseCount(std::string_view value, std::int32_t& count);

// A Polish description of why the first value of a word-list file is not a
// count, for messages ("pierwszy wiersz nie zawiera liczby wyrazów, ...").
std::string DescribeCountProblem(CountError error, std::string_view value);

// The message for a word-list file written in UTF-8 instead of Windows-1250.
std::string WrongEncodingMessage(const std::filesystem::path& path);

// A Polish description of why a file operation failed, for messages.
std::string DescribeFileError(const std::error_code& ec);

// A path as UTF-8 text, for messages.
std::string PathText(const std::filesystem::path& path);

}  // namespace wypelniak
