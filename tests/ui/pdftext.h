#pragma once

// The text of a PDF page as pdftotext reads it, for the window tests that
// check what the grid window exports and prints.
#include <QProcess>
#include <QString>

// The text pdftotext reads from one page of a PDF file.
inline QString pdfPageText(const QString& path, int page) {
  QProcess run;
  run.start(QStringLiteral("pdftotext"), {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                                          QString::number(page), path, QStringLiteral("-")});
  if (!run.waitForFinished(10000)) return {};
  return QString::fromUtf8(run.readAllStandardOutput());
}
