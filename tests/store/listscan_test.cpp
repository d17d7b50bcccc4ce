#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "cp1250.h"
#include "listscan.h"

using namespace wypelniak;

namespace {

// What the addition learns of a file when it holds the whole file at once.
ListScan WholeFile(std::string_view data, std::string_view word) {
  ListScan scan;
  scan.utf8 = LooksLikeUtf8(data);
  scan.size = data.size();
  scan.first = ReadCountLine(data);
  scan.firstText.assign(scan.first.text);
  scan.wordsStart = scan.first.wordsStart;
  if (scan.first.error == CountError::None) scan.head.assign(data.substr(0, scan.wordsStart));
  LineReader lines(data.substr(scan.wordsStart));
  while (!lines.AtEnd()) {
    const std::string_view line = lines.ReadLine();
    scan.holdsWord = Cp1250ToLower(line) == Cp1250ToLower(word) || scan.holdsWord;
    ++scan.wordLines;
    if (const Misread m = FindMisread(line); m.kind != Misreading::None && scan.misreadLine == 0) {
      scan.misreadLine = scan.wordLines + 1;
      scan.misread = m;
      scan.misreadText = line.substr(0, kShownMisreadBytes);
    }
    const std::size_t end = scan.wordsStart + lines.Position();
    scan.allEndInCrLf = scan.allEndInCrLf && end >= 2 && data.substr(end - 2, 2) == "\r\n";
  }
  return scan;
}

std::string Describe(const ListScan& s) {
  return "utf8 " + std::to_string(s.utf8) + ", count " + std::to_string(static_cast<int>(s.first.error)) +
         "/" + std::to_string(s.first.count) + " [" + s.firstText + "], head [" + s.head + "], words at " +
         std::to_string(s.wordsStart) + ", size " + std::to_string(s.size) + ", lines " +
         std::to_string(s.wordLines) + ", crlf " + std::to_string(s.allEndInCrLf) + ", holds " +
         std::to_string(s.holdsWord) + ", misread " + std::to_string(s.misreadLine) + "/" +
         std::to_string(static_cast<int>(s.misread.kind)) + "/" + std::to_string(s.misread.column) + " [" +
         s.misreadText + "]";
}

std::error_code Scan(std::string_view data, std::string_view word, std::size_t chunk, ListScan& scan,
                     std::uint64_t limit = ~std::uint64_t{0}, std::size_t failAt = ~std::size_t{0}) {
  KeptBuffer buffer;
  std::size_t at = 0;
  return ScanList(
      [&](char* into, std::size_t size, std::size_t& got) -> std::error_code {
        if (at >= failAt) return std::make_error_code(std::errc::io_error);
        got = std::min(size, data.size() - at);
        std::memcpy(into, data.data() + at, got);
        at += got;
        return {};
      },
      word, buffer, chunk, limit, scan);
}

}  // namespace

// Looking a file over a chunk at a time tells what looking at the whole file
// tells, wherever the chunks' ends cut the count line, a CR from its LF, or
// the word from the line end after it.
TEST(list_scan, chunks_tell_what_the_whole_file_tells) {
  std::vector<std::string> inputs = {"",
                                     "3",
                                     "3\r\n",
                                     "2\r\nkot\r\nkąt\r\n",
                                     "2\r\nkot\r\nkąt",
                                     "2\r\nkot\rkąt\r\n",
                                     "2\nkot\nkąt\n",
                                     " 2 \r\nkot\r\n\r\n",
                                     "1\r\nko\nt\r\n",
                                     "1\r\nkot\r",
                                     "x\r\nkot\r\n",
                                     "\xEF\xBB\xBF"
                                     "1\r\nkot\r\n",
                                     "1\r\nk\xC3\xB3t\r\n",
                                     std::string(70000, ' ') + "1\r\nkot\r\n",
                                     "2\r\nKot\r\nK\xA5T\r\n",
                                     "1\r\n" + std::string(100, 'k') + "," + std::string(100, 'o') + "\r\n"};
  const char alphabet[] = {'k',  'o',  't',  'K', 'T', '1',    ' ',   '\r',
                           '\n', '\r', '\n', ',', '"', '\xB9', '\xA5'};
  unsigned state = 2024;
  for (int n = 0; n < 600; ++n) {
    std::string data = n % 3 == 0 ? "" : "5\r\n";
    for (int i = 0; i < n % 60; ++i) {
      state = state * 1103515245u + 12345u;
      data += alphabet[(state >> 16) % sizeof alphabet];
    }
    inputs.push_back(data);
  }
  for (const std::string& data : inputs)
    for (const std::string_view word : {"kot", "ko", "t", "k\xB9t", "KOT"}) {
      const std::string expected = Describe(WholeFile(data, word));
      for (const std::size_t chunk : {1, 2, 3, 5, 16, 1 << 16}) {
        ListScan scan;
        ASSERT_FALSE(Scan(data, word, chunk, scan));
        ASSERT_EQ(Describe(scan), expected) << "chunk " << chunk << ", word " << word << " in "
                                            << ::testing::PrintToString(data.substr(0, 80));
      }
    }
}

TEST(list_scan, read_errors_and_the_size_limit_end_the_scan) {
  ListScan scan;
  EXPECT_EQ(Scan("2\r\nkot\r\nkit\r\n", "kit", 4, scan, ~std::uint64_t{0}, 8), std::errc::io_error);
  EXPECT_EQ(Scan("2\r\nkot\r\nkit\r\n", "kit", 4, scan, 12), std::errc::file_too_large);
  EXPECT_FALSE(Scan("2\r\nkot\r\nkit\r\n", "kit", 4, scan, 13));
}
