#pragma once

#include <filesystem>

#include "addwordview.h"
#include "keptmemory.h"
#include "wordlist.h"

namespace wypelniak {

// The memory an addition works in. Its caller (a window) owns it and keeps it
// from one addition to the next, so that only the first pays for fresh
// pages; one addition at a time may use it, and additions with memories of
// their own may run at once.
struct AddWordMemory {
  KeptBuffer scan;     // the file, a chunk at a time
  KeptBuffer old;      // the whole file, when its lines are rebuilt
  KeptBuffer rebuilt;  // the new file, when rebuilt
};

// Adds the view's word to its word-list file unless the file holds it already.
// The file is replaced whole and at once, so it is always either the old file
// or the new one; every outcome is reported through the view.
void AddWord(AddWordView& view, AddWordMemory& memory,
             const std::filesystem::path& programFolder = ProgramFolder());

}  // namespace wypelniak
