#include "resultmodel.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "common.h"

namespace {

// Large enough that a search matching every word needs only a few blocks.
constexpr std::size_t BlockSize = std::size_t{1} << 20;

}  // namespace

ResultModel::ResultModel(QObject* parent) : QAbstractListModel(parent) {}

int ResultModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : published_;
}

QVariant ResultModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !checkIndex(index, CheckIndexOption::IndexIsValid)) return QVariant();
  return word(index.row());
}

void ResultModel::append(std::string_view word) {
  // A view counts rows in int; words beyond that could never be shown.
  if (ends_.size() >= static_cast<std::size_t>(INT_MAX)) return;
  if (blocksInUse_ == 0 ||
      blocks_[blocksInUse_ - 1].size + word.size() > blocks_[blocksInUse_ - 1].capacity) {
    if (blocksInUse_ == blocks_.size() || blocks_[blocksInUse_].capacity < word.size()) {
      const std::size_t capacity = std::max(BlockSize, word.size());
      blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(blocksInUse_),
                     Block{std::make_unique_for_overwrite<char[]>(capacity), capacity, 0, 0});
    }
    Block& fresh = blocks_[blocksInUse_++];
    fresh.size = 0;
    fresh.firstRow = static_cast<int>(ends_.size());
  }
  Block& block = blocks_[blocksInUse_ - 1];
  std::memcpy(block.bytes.get() + block.size, word.data(), word.size());
  block.size += word.size();
  ends_.push_back(static_cast<std::uint32_t>(block.size));
}

void ResultModel::publish() {
  const int total = static_cast<int>(ends_.size());
  if (total == published_) return;
  beginInsertRows(QModelIndex(), published_, total - 1);
  published_ = total;
  endInsertRows();
}

void ResultModel::clear() {
  const bool shown = published_ > 0;
  if (shown) beginResetModel();
  // The blocks stay allocated for the next search: a fresh allocation costs
  // more than the search itself when it matches every word.
  blocksInUse_ = 0;
  ends_.clear();
  published_ = 0;
  if (shown) endResetModel();
}

QString ResultModel::word(int row) const {
  if (row < 0 || row >= published_) return QString();
  // The last block in use whose first row is not after this row.
  const auto inUse = blocks_.begin() + static_cast<std::ptrdiff_t>(blocksInUse_);
  const auto block = std::prev(
      std::upper_bound(blocks_.begin(), inUse, row, [](int r, const Block& b) { return r < b.firstRow; }));
  const std::size_t start = row == block->firstRow ? 0 : ends_[static_cast<std::size_t>(row) - 1];
  const std::size_t end = ends_[static_cast<std::size_t>(row)];
  return fromUtf8(std::string_view(block->bytes.get() + start, end - start));
}
