#include "frmpodpowiedzi.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QShowEvent>

#include <memory>
#include <string>
#include <vector>

#include "common.h"
#include "programicon.h"

namespace {

// One line per kind of related term; a kind without terms is left out.
void appendTerms(QString& text, const QString& caption, const std::vector<std::string>& terms) {
  if (terms.empty()) return;
  text += QStringLiteral("   ") + caption + QStringLiteral(": ");
  for (std::size_t i = 0; i < terms.size(); ++i) {
    if (i > 0) text += QStringLiteral(", ");
    text += fromUtf8(terms[i]);
  }
  text += QLatin1Char('\n');
}

}  // namespace

frmPodpowiedzi::frmPodpowiedzi(const QString& word, const std::filesystem::path& programFolder,
                               QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("frmPodpowiedzi"));
  setWindowTitle(QStringLiteral("Podpowiedzi: ") + word);
  setWindowIcon(programIcon());
  setFont(defaultFont());
  setFixedSize(twips(6600), twips(5400));

  // The text may be long (a common word has dozens of related terms): it
  // wraps to the window's width and scrolls.
  lblHints_ = new QLabel(this);
  lblHints_->setObjectName(QStringLiteral("lblHints"));
  lblHints_->setTextFormat(Qt::PlainText);
  lblHints_->setWordWrap(true);
  lblHints_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lblHints_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  lblHints_->setContentsMargins(twips(60), twips(60), twips(60), twips(60));

  scrHints_ = new QScrollArea(this);
  scrHints_->setObjectName(QStringLiteral("scrHints"));
  scrHints_->setWidget(lblHints_);
  scrHints_->setWidgetResizable(true);
  scrHints_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scrHints_->setGeometry(twips(120), twips(120), twips(6360), twips(4620));
  scrHints_->setBackgroundRole(QPalette::Base);

  cmdZamknij_ = new QPushButton(QStringLiteral("Zamknij"), this);
  cmdZamknij_->setObjectName(QStringLiteral("cmdZamknij"));
  cmdZamknij_->setDefault(true);
  cmdZamknij_->setGeometry(twips(5220), twips(4860), twips(1260), twips(375));
  cmdZamknij_->setFocus();
  connect(cmdZamknij_, &QPushButton::clicked, this, &QDialog::accept);

  lblHints_->setText(describe(word, thesaurusFor(programFolder).Lookup(word.toStdString())));
}

QString frmPodpowiedzi::hintText() const {
  return lblHints_->text();
}

wypelniak::Thesaurus& frmPodpowiedzi::thesaurusFor(const std::filesystem::path& programFolder) {
  static std::filesystem::path folder;
  static std::unique_ptr<wypelniak::Thesaurus> thesaurus;
  if (!thesaurus || folder != programFolder) {
    folder = programFolder;
    thesaurus = std::make_unique<wypelniak::Thesaurus>(
        wypelniak::Thesaurus::InFolder(wypelniak::ThesaurusFolder(programFolder)));
  }
  return *thesaurus;
}

QString frmPodpowiedzi::describe(const QString& word, const wypelniak::ThesaurusLookup& lookup) {
  using wypelniak::LookupStatus;
  const QString quoted = QStringLiteral("„") + word + QStringLiteral("”");
  if (lookup.status == LookupStatus::Unavailable)
    return QStringLiteral("Podpowiedzi są niedostępne.\n\n") + fromUtf8(lookup.error);
  if (lookup.status == LookupStatus::NotFound)
    return QStringLiteral("Tezaurus nie ma hasła ") + quoted +
           QStringLiteral(
               ".\n\nHasłami tezaurusa są formy podstawowe (mianownik, bezokolicznik); odmienione "
               "formy, jak „kotami”, nie mają własnych haseł. Lista form podstawowych "
               "(wypelniak-slownik build --hunspell, zob. README.TXT) daje w wynikach "
               "głównie wyrazy, dla których są podpowiedzi.");

  QString text;
  for (const wypelniak::ThesaurusEntry& entry : lookup.entries) {
    if (!text.isEmpty()) text += QLatin1Char('\n');
    text += fromUtf8(entry.headword) + QLatin1Char('\n');
    int number = 0;
    for (const wypelniak::ThesaurusMeaning& meaning : entry.meanings) {
      text += QStringLiteral("\n%1. znaczenie").arg(++number);
      if (!meaning.description.empty())
        text += QStringLiteral(" (") + fromUtf8(meaning.description) + QLatin1Char(')');
      text += QStringLiteral(":\n");
      appendTerms(text, QStringLiteral("Synonimy"), meaning.synonyms);
      appendTerms(text, QStringLiteral("Pojęcia szersze"), meaning.broader);
      appendTerms(text, QStringLiteral("Pojęcia węższe"), meaning.narrower);
      appendTerms(text, QStringLiteral("Przeciwieństwa"), meaning.antonyms);
    }
  }
  text += QStringLiteral("\nŹródło: tezaurus języka polskiego (synonimy.ux.pl), licencja LGPL 2.1.");
  return text;
}

void frmPodpowiedzi::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) centreOnScreen(this);
  QDialog::showEvent(event);
}
