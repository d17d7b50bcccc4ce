#pragma once

#include <QAbstractListModel>

#include "resultlist.h"

// The result list's rows, over the words a search put in a ResultList. A
// search can match hundreds of thousands of words: they stay as the list's
// Windows-1250 rows, and only the rows a view shows are turned into text.
// The views learn of the rows all at once, on publish().
class ResultModel : public QAbstractListModel {
  Q_OBJECT

 public:
  // list must outlive the model.
  explicit ResultModel(const wypelniak::ResultList* list, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

  // Lets the views see every row the list holds now.
  void publish();
  // Tells the views the rows are gone; call before the list is emptied or
  // refilled.
  void clear();

  // The word in a published row.
  QString word(int row) const;

 private:
  const wypelniak::ResultList* list_;
  int published_ = 0;  // rows the views know of
};
