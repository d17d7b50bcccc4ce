#include "diagramsettings.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

bool editFillSettings(QWidget* parent, wypelniak::SessionSettings& settings) {
  QDialog dialog(parent);
  dialog.setObjectName(QStringLiteral("UstawieniaDiagramu"));
  dialog.setWindowTitle(QStringLiteral("Ustawienia wypełniania"));
  auto* form = new QFormLayout(&dialog);
  auto* chkClueable =
      new QCheckBox(QStringLiteral("Najpierw wyrazy, do których są podpowiedzi haseł"), &dialog);
  chkClueable->setObjectName(QStringLiteral("WyrazyZHaslami"));
  chkClueable->setChecked(settings.preferClueable);
  form->addRow(chkClueable);

  auto* scoreRow = new QHBoxLayout;
  auto* txtScoreFile = new QLineEdit(QString::fromStdString(settings.scoreFile), &dialog);
  txtScoreFile->setObjectName(QStringLiteral("PlikOcen"));
  txtScoreFile->setPlaceholderText(QStringLiteral("brak – oceny ze słownika podpowiedzi"));
  auto* cmdChoose = new QPushButton(QStringLiteral("Wybierz…"), &dialog);
  cmdChoose->setObjectName(QStringLiteral("WybierzPlikOcen"));
  cmdChoose->setAutoDefault(false);
  scoreRow->addWidget(txtScoreFile, 1);
  scoreRow->addWidget(cmdChoose);
  form->addRow(QStringLiteral("Plik ocen wyrazów (wyraz;ocena):"), scoreRow);
  QObject::connect(cmdChoose, &QPushButton::clicked, &dialog, [&dialog, txtScoreFile] {
    const QString path =
        QFileDialog::getOpenFileName(&dialog, QStringLiteral("Plik ocen wyrazów"), txtScoreFile->text(),
                                     QStringLiteral("Pliki tekstowe (*.txt);;Wszystkie pliki (*)"));
    if (!path.isEmpty()) txtScoreFile->setText(path);
  });

  auto* spnMinScore = new QSpinBox(&dialog);
  spnMinScore->setObjectName(QStringLiteral("NajnizszaOcena"));
  spnMinScore->setRange(0, wypelniak::kMaxMinScore);
  spnMinScore->setValue(settings.minScore);
  form->addRow(QStringLiteral("Najniższa ocena wyrazu w wypełnieniu:"), spnMinScore);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  form->addRow(buttons);
  if (dialog.exec() != QDialog::Accepted) return false;
  settings.preferClueable = chkClueable->isChecked();
  settings.scoreFile = txtScoreFile->text().trimmed().toStdString();
  settings.minScore = spnMinScore->value();
  return true;
}
