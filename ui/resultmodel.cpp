#include "resultmodel.h"

#include <algorithm>
#include <climits>

#include "cp1250.h"

ResultModel::ResultModel(const wypelniak::ResultList* list, QObject* parent)
    : QAbstractListModel(parent), list_(list) {}

int ResultModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : published_;
}

QVariant ResultModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !checkIndex(index, CheckIndexOption::IndexIsValid)) return QVariant();
  return word(index.row());
}

void ResultModel::publish() {
  // A view counts rows in int; rows beyond that could never be shown.
  const int total = static_cast<int>(std::min<std::size_t>(list_->Size(), INT_MAX));
  if (total == published_) return;
  if (total < published_) {
    clear();
    if (total == 0) return;
  }
  beginInsertRows(QModelIndex(), published_, total - 1);
  published_ = total;
  endInsertRows();
}

void ResultModel::clear() {
  if (published_ == 0) return;
  beginResetModel();
  published_ = 0;
  endResetModel();
}

QString ResultModel::word(int row) const {
  if (row < 0 || row >= published_) return QString();
  const std::string_view bytes = list_->Row(static_cast<std::size_t>(row));
  QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
  QChar* out = text.data();
  for (char c : bytes)
    *out++ = QChar(static_cast<char16_t>(wypelniak::Cp1250ToUnicode(static_cast<unsigned char>(c))));
  return text;
}
