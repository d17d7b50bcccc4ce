#include "listscan.h"

#include <cstring>

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

// Takes in the whole lines of one stretch of the file after its count line;
// atEnd says whether the stretch ends the file.
void TakeLines(std::string_view lines, std::string_view word, bool atEnd, ListScan& scan) {
  if (lines.empty()) return;
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
  if (!scan.holdsWord) scan.holdsWord = HoldsLine(lines, word);
}

}  // namespace

std::error_code ScanList(const ScanSource& source, std::string_view word, KeptBuffer& buffer,
                         std::size_t chunk, std::uint64_t limit, ListScan& scan) {
  scan = ListScan{};
  if (chunk == 0) chunk = 1;
  Utf8Detector utf8;
  std::size_t filled = 0;  // bytes of the buffer that hold the file, not yet taken in
  bool atEnd = false;
  bool firstTaken = false;
  while (!atEnd) {
    // A chunk behind what is held; a line longer than that makes the next
    // read at least as long as the line so far, so it is scanned a bounded
    // number of times.
    const std::size_t want = filled > chunk ? filled : chunk;
    if (!buffer.Reserve(filled + want, filled)) return std::make_error_code(std::errc::not_enough_memory);
    char* const into = buffer.Data() + filled;
    std::size_t read = 0;
    while (read < want) {
      std::size_t got = 0;
      if (const std::error_code ec = source(into + read, want - read, got)) return ec;
      if (got == 0) {
        atEnd = true;
        break;
      }
      read += got;
    }
    scan.size += read;
    if (scan.size > limit) return std::make_error_code(std::errc::file_too_large);
    utf8.Feed(std::string_view(into, read));
    filled += read;

    // The whole lines held: up to the last CR whose next byte is known (an
    // LF there belongs to it), or all at the end of the file.
    const char* const data = buffer.Data();
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
    std::string_view lines(data, cut);
    if (!firstTaken && (cut > 0 || atEnd)) {
      firstTaken = true;
      scan.first = ReadCountLine(lines);
      scan.firstText.assign(scan.first.text);
      scan.first.text = scan.firstText;
      scan.wordsStart = scan.first.wordsStart;
      if (scan.first.error == CountError::None) scan.head.assign(lines.substr(0, scan.first.wordsStart));
      lines.remove_prefix(scan.first.wordsStart);
    }
    if (firstTaken) TakeLines(lines, word, atEnd, scan);
    if (cut > 0 && cut < filled) std::memmove(buffer.Data(), buffer.Data() + cut, filled - cut);
    filled -= cut;
  }
  scan.utf8 = utf8.IsUtf8();
  return {};
}

}  // namespace wypelniak
