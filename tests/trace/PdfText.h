#pragma once

// A PDF's page count and text, read with poppler-utils (pdfinfo, pdftotext), so that a test
// checks what a reader of the file would see.

#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

namespace pdftest {

// The output of a tool, or a null string when it did not run or failed.
inline QString Run(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
    return QString();
  return QString::fromUtf8(process.readAllStandardOutput());
}

// "Pages:" of pdfinfo; -1 when the file is no PDF.
inline int PageCount(const QString& path) {
  const QString info = Run(QStringLiteral("pdfinfo"), {path});
  const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)"),
                                                           QRegularExpression::MultilineOption)
                                            .match(info);
  return match.hasMatch() ? match.captured(1).toInt() : -1;
}

// The text of each page, in order (pdftotext's form feeds split them).
inline QStringList PageTexts(const QString& path) {
  QStringList pages = Run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")})
                          .split(QChar('\f'));
  if (!pages.isEmpty() && pages.last().trimmed().isEmpty()) pages.removeLast();
  return pages;
}

}  // namespace pdftest
