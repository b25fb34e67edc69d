#include "tests/display/PdfText.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

namespace displaytest {

namespace {

QString Run(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(120000) || process.exitCode() != 0) return {};
  return QString::fromUtf8(process.readAllStandardOutput());
}

}  // namespace

int PdfPages(const QString& path) {
  const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(Run(QStringLiteral("pdfinfo"), {path}));
  return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QStringList PdfPageTexts(const QString& path) {
  QStringList pages = Run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")}).split(QChar('\f'));
  if (!pages.isEmpty() && pages.back().trimmed().isEmpty()) pages.removeLast();
  return pages;
}

void KeepPdf(const QString& path, const QString& name) {
  const QByteArray folder = qgetenv("QV_DISPLAY_SHOTS");
  if (folder.isEmpty()) return;
  const QString target = QString::fromUtf8(folder) + QStringLiteral("/") + name + QStringLiteral(".pdf");
  QFile::remove(target);
  QFile::copy(path, target);
}

}  // namespace displaytest
