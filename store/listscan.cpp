#include "listscan.h"

#include <cstring>

#include "cp1250.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace wypelniak {
namespace {

// The number of CRs in lines, and of those followed by an LF. lines ends
// after a line end, or at the end of the file, so an LF that belongs to one
// of its CRs is always in it.
void CountLineEnds(std::string_view lines, std::uint64_t& crs, std::uint64_t& crLfs) {
  const char* p = lines.data();
  const std::size_t n = lines.size();
  std::size_t i = 0;
#if defined(__SSE2__) || defined(_M_X64)
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  for (; i + 17 <= n; i += 16) {
    const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 1));
    const __m128i isCr = _mm_cmpeq_epi8(here, cr);
    const auto crBits = static_cast<unsigned>(_mm_movemask_epi8(isCr));
    if (crBits == 0) continue;
    const auto pairBits =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(isCr, _mm_cmpeq_epi8(next, lf))));
    for (unsigned b = crBits; b != 0; b &= b - 1) ++crs;
    for (unsigned b = pairBits; b != 0; b &= b - 1) ++crLfs;
  }
#endif
  for (; i < n; ++i) {
    if (p[i] != '\r') continue;
    ++crs;
    if (i + 1 < n && p[i + 1] == '\n') ++crLfs;
  }
}

// Whether one of the whole lines in lines (which begins where a line begins)
// is word. The word's bytes are looked for in the whole text at once; a place
// counts when a line begins there and ends right after the word.
bool HoldsLine(std::string_view lines, std::string_view word) {
  if (word.empty()) {
    LineReader reader(lines);
    while (!reader.AtEnd())
      if (reader.ReadLine().empty()) return true;
    return false;
  }
  for (std::size_t at = lines.find(word); at != std::string_view::npos; at = lines.find(word, at + 1)) {
    const bool begins =
        at == 0 || lines[at - 1] == '\r' || (lines[at - 1] == '\n' && at >= 2 && lines[at - 2] == '\r');
    const std::size_t end = at + word.size();
    if (begins && (end == lines.size() || lines[end] == '\r')) return true;
  }
  return false;
}

// Whether a stretch of lines may hold one the search reads otherwise: it
// holds a comma, a double quotation mark or a blank somewhere. A real list has
// none, so one quick pass over each stretch is all it costs.
bool MayHoldMisread(std::string_view lines) {
  const char* p = lines.data();
  const std::size_t n = lines.size();
  std::size_t i = 0;
#if defined(__SSE2__) || defined(_M_X64)
  for (; i + 16 <= n; i += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i hit = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8(',')), _mm_cmpeq_epi8(x, _mm_set1_epi8('"'))),
        _mm_or_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8(' ')), _mm_cmpeq_epi8(x, _mm_set1_epi8('\t'))));
    if (_mm_movemask_epi8(hit) != 0) return true;
  }
#endif
  for (; i < n; ++i)
    if (p[i] == ',' || p[i] == '"' || p[i] == ' ' || p[i] == '\t') return true;
  return false;
}

// Notes the first line of lines that the search reads otherwise; firstLine is
// the number of lines' first line.
void FindMisreadLine(std::string_view lines, std::uint64_t firstLine, ListScan& scan) {
  if (scan.misreadLine != 0 || !MayHoldMisread(lines)) return;
  LineReader reader(lines);
  for (std::uint64_t number = firstLine; !reader.AtEnd(); ++number) {
    const std::string_view line = reader.ReadLine();
    if (const Misread misread = FindMisread(line); misread.kind != Misreading::None) {
      scan.misreadLine = number;
      scan.misread = misread;
      scan.misreadText.assign(line.substr(0, kShownMisreadBytes));
      return;
    }
  }
}

// Takes in the whole lines of one stretch of the file after its count line;
// atEnd says whether the stretch ends the file. The stretch is lower-cased in
// place; word is in lower case already.
void TakeLines(char* data, std::size_t size, std::string_view word, bool atEnd, ListScan& scan) {
  if (size == 0) return;
  const std::string_view lines(data, size);
  FindMisreadLine(lines, 2 + scan.wordLines, scan);
  std::uint64_t crs = 0, crLfs = 0;
  CountLineEnds(lines, crs, crLfs);
  scan.wordLines += crs;
  if (crLfs != crs) scan.allEndInCrLf = false;
  // Only the file's last line can lack its end.
  const bool ended = lines.back() == '\r' || (lines.size() >= 2 && lines.substr(lines.size() - 2) == "\r\n");
  if (atEnd && !ended) {
    ++scan.wordLines;
    scan.allEndInCrLf = false;
  }
  if (scan.holdsWord) return;
  Cp1250ToLowerInPlace(data, size);
  scan.holdsWord = HoldsLine(lines, word);
}

}  // namespace

std::error_code ScanList(const ChunkSource& source, std::string_view word, KeptBuffer& buffer,
                         std::size_t chunk, std::uint64_t limit, ListScan& scan) {
  scan = ListScan{};
  const std::string lowerWord = Cp1250ToLower(word);
  Utf8Detector utf8;
  std::size_t filled = 0;  // bytes of the buffer that hold the file, not yet taken in
  bool atEnd = false;
  bool firstTaken = false;
  while (!atEnd) {
    std::size_t read = 0;
    if (const std::error_code ec = ReadNextChunk(source, buffer, filled, chunk, read, atEnd)) return ec;
    char* const data = buffer.Data();
    scan.size += read;
    if (scan.size > limit) return std::make_error_code(std::errc::file_too_large);
    utf8.Feed(std::string_view(data + filled, read));
    filled += read;

    // The whole lines held: up to the last CR whose next byte is known (an
    // LF there belongs to it), or all at the end of the file.
    std::size_t cut = filled;
    if (!atEnd) {
      cut = 0;
      for (std::size_t i = filled - 1; i-- > 0;) {
        if (data[i] == '\r') {
          cut = i + 1 + (data[i + 1] == '\n' ? 1 : 0);
          break;
        }
      }
    }
    std::size_t wordsFrom = 0;  // where the word lines of the stretch begin
    if (!firstTaken && (cut > 0 || atEnd)) {
      firstTaken = true;
      const std::string_view lines(data, cut);
      scan.first = ReadCountLine(lines);
      scan.firstText.assign(scan.first.text);
      scan.first.text = scan.firstText;
      scan.wordsStart = scan.first.wordsStart;
      if (scan.first.error == CountError::None) scan.head.assign(lines.substr(0, scan.first.wordsStart));
      wordsFrom = scan.first.wordsStart;
    }
    if (firstTaken) TakeLines(data + wordsFrom, cut - wordsFrom, lowerWord, atEnd, scan);
    if (cut > 0 && cut < filled) std::memmove(data, data + cut, filled - cut);
    filled -= cut;
  }
  scan.utf8 = utf8.IsUtf8();
  return {};
}

}  // namespace wypelniak
