#include "resultmodel.h"

#include "common.h"

#include <algorithm>
#include <climits>

ResultModel::ResultModel(QObject* parent) : QAbstractListModel(parent) {}

int ResultModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : published_;
}

QVariant ResultModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !checkIndex(index, CheckIndexOption::IndexIsValid)) return QVariant();
  return word(index.row());
}

void ResultModel::append(std::string_view word) {
  starts_.push_back(text_.size());
  text_.append(word);
}

void ResultModel::publish() {
  // A view counts rows in int; words beyond that could never be shown.
  const int total = static_cast<int>(std::min<std::size_t>(starts_.size(), INT_MAX));
  if (total == published_) return;
  beginInsertRows(QModelIndex(), published_, total - 1);
  published_ = total;
  endInsertRows();
}

void ResultModel::clear() {
  const bool shown = published_ > 0;
  if (shown) beginResetModel();
  // The buffers keep their memory for the next search: filling them afresh
  // costs more than the search itself when it matches every word.
  text_.clear();
  starts_.clear();
  published_ = 0;
  if (shown) endResetModel();
}

QString ResultModel::word(int row) const {
  if (row < 0 || row >= published_) return QString();
  const std::size_t start = starts_[row];
  const std::size_t end =
      static_cast<std::size_t>(row) + 1 < starts_.size() ? starts_[row + 1] : text_.size();
  return fromUtf8(std::string_view(text_).substr(start, end - start));
}
