#include "cluehints.h"

#include <QLabel>
#include <QListWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <utility>

#include "common.h"
#include "fill.h"
#include "gridwindow.h"
#include "hinttext.h"
#include "thesaurus.h"

namespace {

// The data role of a term's row: the term.
constexpr int kTermRole = Qt::UserRole + 1;

QListWidgetItem* addRow(QListWidget* list, const QString& text, bool bold = false) {
  auto* item = new QListWidgetItem(text, list);
  item->setFlags(Qt::ItemIsEnabled);
  if (bold) {
    QFont font = item->font();
    font.setBold(true);
    item->setFont(font);
  }
  return item;
}

}  // namespace

ClueHints::ClueHints(wypelniak::GridEdit* edit, QTreeWidget* clues,
                     std::function<std::filesystem::path()> programFolder, QWidget* parent)
    : QWidget(parent), edit_(edit), clues_(clues), programFolder_(std::move(programFolder)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  lblTitle_ = new QLabel(this);
  lblTitle_->setTextFormat(Qt::PlainText);
  lblTitle_->setWordWrap(true);
  layout->addWidget(lblTitle_);
  lstPodpowiedzi_ = new QListWidget(this);
  lstPodpowiedzi_->setObjectName(QStringLiteral("Podpowiedzi"));
  lstPodpowiedzi_->setWordWrap(true);
  lstPodpowiedzi_->setToolTip(QStringLiteral("Kliknij określenie, aby wpisać je jako hasło"));
  layout->addWidget(lstPodpowiedzi_, 1);
  connect(clues_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) { rowChosen(item); });
  connect(lstPodpowiedzi_, &QListWidget::itemClicked, this, &ClueHints::termClicked);
  showSlot(-1);
}

void ClueHints::reset() {
  word_.clear();
  showSlot(slot_);
}

void ClueHints::follow() {
  const int cursor = edit_->CurrentSlot();
  const std::string word = cursor >= 0 ? wordOf(cursor) : std::string();
  if (cursor != cursorSlot_ || word != cursorWord_) {
    cursorSlot_ = cursor;
    cursorWord_ = word;
    if (!word.empty()) {
      for (int t = 0; t < clues_->topLevelItemCount(); ++t) {
        QTreeWidgetItem* top = clues_->topLevelItem(t);
        for (int c = 0; c < top->childCount(); ++c)
          if (top->child(c)->data(0, kClueSlotRole).toInt() == cursor) clues_->setCurrentItem(top->child(c));
      }
    }
  }
  if (slot_ >= static_cast<int>(edit_->Slots().size())) slot_ = -1;
  showSlot(slot_);
}

void ClueHints::rowChosen(QTreeWidgetItem* item) {
  showSlot(item && item->parent() ? item->data(0, kClueSlotRole).toInt() : -1);
}

void ClueHints::showSlot(int slot) {
  const std::string word = slot >= 0 ? wordOf(slot) : std::string();
  if (slot == slot_ && word == word_ && lstPodpowiedzi_->count() > 0) return;
  slot_ = slot;
  word_ = word;
  lstPodpowiedzi_->clear();
  if (slot < 0) {
    lblTitle_->setText(QStringLiteral("Podpowiedzi: wybierz hasło z listy"));
    addRow(lstPodpowiedzi_,
           QStringLiteral("Wybierz hasło z pełnym wyrazem albo postaw kursor w takim wyrazie."));
    return;
  }
  const QString name = fromUtf8(wypelniak::SlotName(edit_->Slots()[static_cast<std::size_t>(slot)]));
  if (word.empty()) {
    lblTitle_->setText(QStringLiteral("Podpowiedzi (%1)").arg(name));
    addRow(lstPodpowiedzi_, QStringLiteral("Wyraz nie jest jeszcze pełny: podpowiedzi pojawią się, gdy "
                                           "wszystkie jego pola będą wypełnione."));
    return;
  }
  lblTitle_->setText(QStringLiteral("Podpowiedzi (%1, %2) – kliknij, aby wpisać jako hasło:")
                         .arg(name, fromUtf8(word).toUpper()));
  list(word);
}

void ClueHints::list(const std::string& word) {
  const wypelniak::ThesaurusLookup lookup = wypelniak::ProgramThesaurus(programFolder_()).Lookup(word);
  std::string caption;
  for (const wypelniak::HintRow& row : wypelniak::HintRows(word, lookup, true)) {
    if (row.kind == wypelniak::HintRow::Terms) {
      if (row.caption != caption)
        addRow(lstPodpowiedzi_, fromUtf8(row.caption) + QLatin1Char(':'))
            ->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
      caption = row.caption;
      QListWidgetItem* item = addRow(lstPodpowiedzi_, QStringLiteral("    ") + fromUtf8(row.text));
      item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
      item->setData(kTermRole, fromUtf8(row.text));
      continue;
    }
    caption.clear();
    addRow(lstPodpowiedzi_, fromUtf8(row.text).trimmed(), row.kind == wypelniak::HintRow::Heading);
  }
}

void ClueHints::termClicked(QListWidgetItem* item) {
  const QString term = item ? item->data(kTermRole).toString() : QString();
  if (term.isEmpty() || slot_ < 0) return;
  edit_->SetClue(slot_, wypelniak::ClueFromTerm(term.toStdString()));
  emit clueChosen();
}

std::string ClueHints::wordOf(int slot) const {
  const wypelniak::Grid& grid = edit_->GetGrid();
  std::string word;
  for (int cell : edit_->Slots()[static_cast<std::size_t>(slot)].cells) {
    if (!grid.HasLetter(cell)) return {};
    wypelniak::AppendLetterUtf8(grid.At(cell), word);
  }
  return word;
}
