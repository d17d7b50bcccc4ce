#include "resultlist.h"

#include <cstring>
#include <new>

#include "cp1250.h"
#include "keptmemory.h"

namespace wypelniak {

// The list lies in fixed-size blocks; a block never moves, so the list
// grows without copying what it holds.

ResultList::ResultList() = default;

ResultList::~ResultList() {
  for (char* block : blocks_) ReturnKeptMemory(block, KeptPieceBytes);
}

void ResultList::Reset(std::size_t wordLength) {
  length_ = wordLength;
  size_ = 0;
  rowsPerBlock_ = wordLength == 0 ? 0 : KeptPieceBytes / wordLength;
  next_ = end_ = nullptr;
}

void ResultList::AppendToNextBlock(std::string_view word) {
  if (rowsPerBlock_ == 0 || word.size() != length_) return;
  const std::size_t block = size_ / rowsPerBlock_;
  if (block == blocks_.size()) {
    std::size_t got = 0;
    char* fresh = TakeKeptMemory(KeptPieceBytes, &got);
    if (fresh == nullptr) throw std::bad_alloc();
    blocks_.push_back(fresh);
  }
  next_ = blocks_[block] + (size_ % rowsPerBlock_) * length_;
  end_ = blocks_[block] + rowsPerBlock_ * length_;
  std::memcpy(next_, word.data(), length_);
  next_ += length_;
  ++size_;
}

std::string_view ResultList::Row(std::size_t i) const {
  if (i >= size_) return {};
  return {blocks_[i / rowsPerBlock_] + (i % rowsPerBlock_) * length_, length_};
}

std::string ResultList::Utf8(std::size_t i) const {
  return Cp1250ToUtf8(Row(i));
}

std::u16string ResultList::Utf16(std::size_t i) const {
  std::u16string out;
  for (char c : Row(i)) out.push_back(static_cast<char16_t>(Cp1250ToUnicode(static_cast<unsigned char>(c))));
  return out;
}

}  // namespace wypelniak
