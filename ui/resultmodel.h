#pragma once

#include <QAbstractListModel>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

// The result list's words. A search can match hundreds of thousands of words,
// so they are kept as UTF-8 in large blocks, are appended without telling the
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
  // Words lie one after another in blocks; a block never moves once
  // allocated, so growing costs no copying.
  struct Block {
    std::unique_ptr<char[]> bytes;
    std::size_t capacity = 0;
    std::size_t size = 0;
    int firstRow = 0;
  };

  std::vector<Block> blocks_;        // allocated blocks, kept for the next search
  std::size_t blocksInUse_ = 0;      // the first blocksInUse_ blocks hold words
  std::vector<std::uint32_t> ends_;  // per row: where its word ends in its block
  int published_ = 0;                // rows the views know of
};
