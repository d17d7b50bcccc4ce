#pragma once

#include <filesystem>

#include "keptmemory.h"
#include "searchview.h"
#include "wordlist.h"

namespace wypelniak {

// The memory a search reads the file in. Its caller (a window) owns it and
// keeps it from one search to the next: the first search pays for it and
// every later one reuses it. One search at a time may use it, and searches
// with memories of their own may run at once.
struct SearchMemory {
  KeptBuffer chunks;
};

// Lists, in file order, every word of the word list whose characters agree
// with the view's pattern at every position that is not '*'. Refusals and
// file errors are reported through the view; no file is created or changed.
void PatternSearch(SearchView& view, SearchMemory& memory,
                   const std::filesystem::path& programFolder = ProgramFolder());

}  // namespace wypelniak
