#pragma once

#include <filesystem>

#include "searchview.h"
#include "wordlist.h"

namespace wypelniak {

// Lists, in file order, every word of the word list whose characters agree
// with the view's pattern at every position that is not '*'. Refusals and
// file errors are reported through the view; no file is created or changed.
void PatternSearch(SearchView& view, const std::filesystem::path& programFolder = ProgramFolder());

}  // namespace wypelniak
