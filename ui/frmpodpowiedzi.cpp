#include "frmpodpowiedzi.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QShowEvent>

#include <memory>
#include <string>
#include <vector>

#include "common.h"
#include "hinttext.h"
#include "programicon.h"

namespace {

QLabel* makeLabel(const QString& text, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setTextFormat(Qt::PlainText);
  label->setText(text);
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

}  // namespace

frmPodpowiedzi::frmPodpowiedzi(const QString& word, const std::filesystem::path& programFolder,
                               QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("frmPodpowiedzi"));
  setWindowTitle(QStringLiteral("Podpowiedzi: ") + word);
  // One icon for every hint window, so that its pictures are decoded once.
  static const QIcon icon = programIcon();
  setWindowIcon(icon);
  setFont(defaultFont());
  setFixedSize(twips(6600), twips(5400));

  rows_ = describe(word, wypelniak::ProgramThesaurus(programFolder).Lookup(word.toStdString()));

  // The rows lie in a grid: a caption on the left, its terms wrapping in
  // the column beside it, so that a long list keeps its indent. A long
  // entry scrolls.
  auto* content = new QWidget;
  content->setObjectName(QStringLiteral("fraHints"));
  content->setBackgroundRole(QPalette::Base);
  auto* grid = new QGridLayout(content);
  grid->setContentsMargins(twips(90), twips(90), twips(90), twips(90));
  grid->setHorizontalSpacing(twips(90));
  grid->setVerticalSpacing(twips(30));
  QFont bold = defaultFont();
  bold.setBold(true);
  int line = 0;
  for (const Row& row : rows_) {
    if (row.kind == Row::Terms) {
      grid->addWidget(makeLabel(row.caption + QLatin1Char(':'), content), line, 0);
      grid->addWidget(makeLabel(row.text, content), line, 1);
    } else {
      QLabel* label = makeLabel(row.text, content);
      if (row.kind == Row::Heading) {
        label->setFont(bold);
        if (line > 0) label->setContentsMargins(0, twips(90), 0, 0);
      }
      grid->addWidget(label, line, 0, 1, 2);
    }
    ++line;
  }
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(line, 1);

  scrHints_ = new QScrollArea(this);
  scrHints_->setObjectName(QStringLiteral("scrHints"));
  scrHints_->setWidget(content);
  scrHints_->setWidgetResizable(true);
  scrHints_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scrHints_->setBackgroundRole(QPalette::Base);
  scrHints_->setGeometry(twips(120), twips(120), twips(6360), twips(4620));

  cmdZamknij_ = new QPushButton(QStringLiteral("Zamknij"), this);
  cmdZamknij_->setObjectName(QStringLiteral("cmdZamknij"));
  cmdZamknij_->setDefault(true);
  cmdZamknij_->setGeometry(twips(5220), twips(4860), twips(1260), twips(375));
  cmdZamknij_->setFocus();
  connect(cmdZamknij_, &QPushButton::clicked, this, &QDialog::accept);
}

QString frmPodpowiedzi::hintText() const {
  QStringList lines;
  for (const Row& row : rows_)
    lines << (row.kind == Row::Terms ? row.caption + QStringLiteral(": ") + row.text : row.text);
  return lines.join(QLatin1Char('\n'));
}

QList<frmPodpowiedzi::Row> frmPodpowiedzi::describe(const QString& word,
                                                    const wypelniak::ThesaurusLookup& lookup) {
  QList<Row> rows;
  for (const wypelniak::HintRow& row : wypelniak::HintRows(word.toStdString(), lookup))
    rows.append({static_cast<Row::Kind>(row.kind), fromUtf8(row.caption), fromUtf8(row.text)});  // same kinds
  return rows;
}

void frmPodpowiedzi::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) centreOnScreen(this);
  QDialog::showEvent(event);
}
