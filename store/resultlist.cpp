#include "resultlist.h"

#include <cstring>

#include "cp1250.h"

namespace wypelniak {

// One fixed-size piece of the list's memory; a block never moves, so the
// list grows without copying what it holds.
struct ResultList::Block {
  static constexpr std::size_t kBytes = std::size_t{1} << 20;
  std::unique_ptr<char[]> bytes = std::make_unique_for_overwrite<char[]>(kBytes);
};

ResultList::ResultList() = default;
ResultList::~ResultList() = default;

void ResultList::Reset(std::size_t wordLength) {
  length_ = wordLength;
  size_ = 0;
  rowsPerBlock_ = wordLength == 0 ? 0 : Block::kBytes / wordLength;
}

void ResultList::Append(std::string_view word) {
  if (rowsPerBlock_ == 0 || word.size() != length_) return;
  const std::size_t block = size_ / rowsPerBlock_;
  if (block == blocks_.size()) blocks_.push_back(std::make_unique<Block>());
  std::memcpy(blocks_[block]->bytes.get() + (size_ % rowsPerBlock_) * length_, word.data(), length_);
  ++size_;
}

std::string_view ResultList::Row(std::size_t i) const {
  if (i >= size_) return {};
  return {blocks_[i / rowsPerBlock_]->bytes.get() + (i % rowsPerBlock_) * length_, length_};
}

std::string ResultList::Utf8(std::size_t i) const { return Cp1250ToUtf8(Row(i)); }

std::u16string ResultList::Utf16(std::size_t i) const {
  std::u16string out;
  for (char c : Row(i)) out.push_back(static_cast<char16_t>(Cp1250ToUnicode(static_cast<unsigned char>(c))));
  return out;
}

}  // namespace wypelniak
