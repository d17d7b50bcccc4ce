#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace wypelniak {

// The words one search found. They all have the pattern's length, so they
// are kept as their Windows-1250 bytes one after another, with no separator
// and no index, and are turned into text only when a window shows a row.
// The memory stays with the list between searches: a search that matches
// every word of a file asks the system for nothing the previous one had. It
// comes in kept pieces (keptmemory.h), so even a list's first rows cost one
// fault per huge page rather than one per small page, and a list that is
// destroyed leaves its pieces to the next.
class ResultList {
 public:
  ResultList();
  ResultList(const ResultList&) = delete;
  ResultList& operator=(const ResultList&) = delete;
  ~ResultList();

  // Removes every row and sets the length of the rows to come; the memory
  // is kept.
  void Reset(std::size_t wordLength);
  // Removes every row.
  void Clear() { Reset(length_); }

  // Appends a row; word must have WordLength() bytes. Inline: a search that
  // lists every word of a file calls it once a word.
  void Append(std::string_view word) {
    if (word.size() == length_ && end_ - next_ >= static_cast<std::ptrdiff_t>(length_) && length_ > 0) {
      std::memcpy(next_, word.data(), length_);
      next_ += length_;
      ++size_;
      return;
    }
    AppendToNextBlock(word);
  }

  std::size_t Size() const { return size_; }
  bool Empty() const { return size_ == 0; }
  std::size_t WordLength() const { return length_; }

  // The Windows-1250 bytes of row i.
  std::string_view Row(std::size_t i) const;
  // Row i as UTF-8 text.
  std::string Utf8(std::size_t i) const;
  // Row i as UTF-16 text (for the Windows front end).
  std::u16string Utf16(std::size_t i) const;

 private:
  // Appends a row where the last block has no room for it.
  void AppendToNextBlock(std::string_view word);

  std::vector<char*> blocks_;  // pieces of KeptPieceBytes
  char* next_ = nullptr;       // where the next row goes in the current block
  char* end_ = nullptr;        // the end of the current block's rows
  std::size_t length_ = 0;
  std::size_t size_ = 0;
  std::size_t rowsPerBlock_ = 0;
};

}  // namespace wypelniak
