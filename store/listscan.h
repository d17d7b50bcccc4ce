#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>

#include "chunkreader.h"
#include "keptmemory.h"
#include "wordlist.h"

namespace wypelniak {

// What the addition needs to know of a word-list file before it writes the
// new one, learnt in one reading of the file a chunk at a time: the file is
// never held whole, so the old lines can be copied into the new file by the
// system instead of through the program's memory.
struct ListScan {
  bool utf8 = false;             // the file is UTF-8, not Windows-1250
  CountLine first;               // its count line (text points into firstText)
  std::string head;              // the file's bytes up to the first word line
  std::string firstText;         // the count line's text, without its end
  std::uint64_t wordsStart = 0;  // where the first word line begins
  std::uint64_t size = 0;        // the bytes read
  std::uint64_t wordLines = 0;   // the lines after the first
  bool allEndInCrLf = true;      // every one of them ends in CR LF
  bool holdsWord = false;        // one of them is the word, whole, in lower case
  // The first word line the search reads otherwise (FindMisread), if any:
  std::uint64_t misreadLine = 0;  // its number, the count line being 1; 0 for none
  Misread misread;                // what the search makes of it
  std::string misreadText;        // the line, cut after kShownMisreadBytes
};

// How much of a misread line ListScan keeps for a message.
inline constexpr std::size_t kShownMisreadBytes = 60;

// Reads a file through source in chunks of chunk bytes, into buffer (which
// grows for a line longer than a chunk), and tells what ListScan holds; word
// is compared with every line after the first, both in lower case
// (Cp1250ToLower), so that "Kotek" is found in a file that holds "kotek" and
// the other way round. Lines end as LineReader ends them. Fails on a read
// error, and with file_too_large once more than limit bytes were read. The
// bytes left in buffer are of no use to the caller.
std::error_code ScanList(const ChunkSource& source, std::string_view word, KeptBuffer& buffer,
                         std::size_t chunk, std::uint64_t limit, ListScan& scan);

}  // namespace wypelniak
