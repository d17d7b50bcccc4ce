#pragma once

#include <QAbstractListModel>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The result list's words. A search can match hundreds of thousands of words,
// so they are kept as UTF-8 in one buffer, are appended without telling the
// view, and reach it all at once when the search shows its results.
class ResultModel : public QAbstractListModel {
  Q_OBJECT

 public:
  explicit ResultModel(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

  // Appends a word after the last one; views see it after publish().
  void append(std::string_view word);
  // Lets the views see the words appended since the last call.
  void publish();
  // Removes every word, published or not.
  void clear();

  // The word in a published row.
  QString word(int row) const;

 private:
  std::string text_;                 // every word, one after another
  std::vector<std::size_t> starts_;  // where each word begins in text_
  int published_ = 0;                // rows the views know of
};
