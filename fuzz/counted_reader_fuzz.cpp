// Counted reading over arbitrary bytes. The values must come out in order,
// each a piece of the input standing exactly where the reading rule puts it
// (blanks before it, a comma or line end after it, quotation marks dropped),
// and the reader must reach the end after at most one value per byte. Every
// value is also read as a count: ParseCount must agree with the C library's
// strtod on what is a number and on the whole number it rounds to. Reading
// with a length expected gives the same values, whatever the length, and so
// does reading a chunk at a time, wherever the chunks' ends fall.

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "chunkreader.h"
#include "fuzz_support.h"
#include "wordlist.h"

namespace {

using namespace wypelniak;

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::size_t SkipBlanks(std::string_view data, std::size_t pos) {
  while (pos < data.size() && IsBlank(data[pos])) ++pos;
  return pos;
}

// Where the next value may begin after a value whose text ends at end: past
// the closing quotation mark and whatever follows it up to a delimiter
// (quoted values only), past one comma or line end, then past blanks.
std::size_t NextStart(std::string_view data, std::size_t end, bool quoted) {
  if (quoted && end < data.size()) {
    FUZZ_CHECK(data[end] == '"');
    ++end;
    while (end < data.size() && data[end] != ',' && data[end] != '\r') ++end;
  }
  if (end < data.size()) {
    FUZZ_CHECK(data[end] == ',' || data[end] == '\r');
    end += data[end] == '\r' && end + 1 < data.size() && data[end + 1] == '\n' ? 2 : 1;
  }
  return SkipBlanks(data, end);
}

// What ParseCount should make of a value, found with strtod: a plain decimal
// number (sign, digits, point, exponent; no hexadecimal, infinity or NaN),
// blanks around it allowed, rounded to the nearest whole number.
CountError ExpectedCount(std::string_view value, std::int32_t& count) {
  while (!value.empty() && IsBlank(value.front())) value.remove_prefix(1);
  while (!value.empty() && IsBlank(value.back())) value.remove_suffix(1);
  if (value.empty()) return CountError::Empty;
  if (value.find_first_not_of("0123456789.eE+-") != std::string_view::npos) return CountError::NotANumber;
  if (value.find_first_of("0123456789") == std::string_view::npos) return CountError::NotANumber;

  const std::string text(value);
  char* end = nullptr;
  errno = 0;
  const double number = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size()) return CountError::NotANumber;
  if (std::isinf(number)) return number < 0 ? CountError::Negative : CountError::TooLarge;
  const double rounded = std::nearbyint(number);
  if (rounded < 0) return CountError::Negative;
  if (rounded > static_cast<double>(std::numeric_limits<std::int32_t>::max())) return CountError::TooLarge;
  count = static_cast<std::int32_t>(rounded);
  return CountError::None;
}

void CheckCount(std::string_view value) {
  std::int32_t got = -1;
  std::int32_t want = -1;
  const CountError error = ParseCount(value, got);
  FUZZ_CHECK(error == ExpectedCount(value, want));
  if (error == CountError::None) FUZZ_CHECK(got == want);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const std::string_view data(reinterpret_cast<const char*>(bytes), size);
  CountedReader reader(data);
  std::size_t pos = SkipBlanks(data, 0);  // where the next value must begin
  std::size_t values = 0;
  std::string_view value;
  while (reader.Next(value)) {
    // Every value uses up at least one byte, so a reader that does not move
    // on is caught here rather than left to hang.
    FUZZ_CHECK(++values <= size);
    FUZZ_CHECK(pos < size);
    FUZZ_CHECK(value.data() >= data.data() && value.data() + value.size() <= data.data() + size);

    const bool quoted = data[pos] == '"';
    const std::size_t start = static_cast<std::size_t>(value.data() - data.data());
    FUZZ_CHECK(start == pos + (quoted ? 1 : 0));
    const std::size_t end = start + value.size();
    if (quoted) {
      FUZZ_CHECK(value.find('"') == std::string_view::npos);
      FUZZ_CHECK(end == size || data[end] == '"');
    } else {
      FUZZ_CHECK(value.find_first_of(",\r") == std::string_view::npos);
      FUZZ_CHECK(end == size || data[end] == ',' || data[end] == '\r');
    }
    pos = NextStart(data, end, quoted);
    CheckCount(value);
  }
  // The reader stops only where nothing but blanks is left.
  FUZZ_CHECK(pos == size);
  FUZZ_CHECK(!reader.Next(value));

  for (const std::size_t length : {1, 2, 3, 7, 12, 15, 16, 17, 22, 31, 32, 33}) {
    CountedReader plain(data);
    CountedReader expecting(data);
    std::string_view want;
    std::string_view got;
    bool more = true;
    while (more) {
      more = plain.Next(want);
      FUZZ_CHECK(expecting.NextExpecting(length, got) == more);
      if (more) FUZZ_CHECK(got.data() == want.data() && got.size() == want.size());
    }
  }

  // A chunk at a time: chunk sizes from 1 byte, the source giving pieces of
  // sizes taken from the data itself, so the edges fall everywhere.
  static KeptBuffer buffer;
  for (const std::size_t chunk : {std::size_t{1}, std::size_t{2}, std::size_t{5}, std::size_t{64}}) {
    for (const std::size_t length : {0, 3, 12}) {
      std::size_t at = 0;
      ChunkedReader chunked(buffer, chunk, [&](char* into, std::size_t room, std::size_t& got) {
        const std::size_t piece = at < size ? 1 + static_cast<unsigned char>(data[at]) % 7 : 0;
        got = std::min({room, size - at, piece});
        std::memcpy(into, data.data() + at, got);
        at += got;
        return std::error_code{};
      });
      CountedReader plain(data);
      std::string_view want;
      std::string_view got;
      bool more = true;
      while (more) {
        more = plain.Next(want);
        FUZZ_CHECK(chunked.NextExpecting(length, got) == more);
        if (more) FUZZ_CHECK(got == want);
      }
      FUZZ_CHECK(!chunked.Error());
    }
  }
  return 0;
}
