#pragma once

#include <filesystem>

#include "addwordview.h"
#include "wordlist.h"

namespace wypelniak {

// Adds the view's word to its word-list file unless the file holds it already.
// The file is replaced whole and at once, so it is always either the old file
// or the new one; every outcome is reported through the view.
void AddWord(AddWordView& view, const std::filesystem::path& programFolder = ProgramFolder());

}  // namespace wypelniak
