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
  const QRegularExpressionMatch m =
      QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(Run(QStringLiteral("pdfinfo"), {path}));
  return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QStringList PdfPageTexts(const QString& path) {
  QStringList pages =
      Run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")}).split(QChar('\f'));
  if (!pages.isEmpty() && pages.back().trimmed().isEmpty()) pages.removeLast();
  return pages;
}

std::vector<PdfWord> PdfWords(const QString& path, int page) {
  const QString number = QString::number(page);
  const QString html = Run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), QStringLiteral("-f"), number,
                                                         QStringLiteral("-l"), number, path, QStringLiteral("-")});
  static const QRegularExpression word(QStringLiteral(
      "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
  std::vector<PdfWord> words;
  for (auto it = word.globalMatch(html); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    words.push_back({m.captured(5), QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                                           QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()))});
  }
  return words;
}

QImage PdfPageImage(const QString& path, int page, int dpi) {
  const QString number = QString::number(page);
  const QString prefix = path + QStringLiteral("-page") + number;
  QProcess process;
  process.start(QStringLiteral("pdftoppm"),
                {QStringLiteral("-png"), QStringLiteral("-singlefile"), QStringLiteral("-r"), QString::number(dpi),
                 QStringLiteral("-f"), number, QStringLiteral("-l"), number, path, prefix});
  if (!process.waitForFinished(120000) || process.exitCode() != 0) return {};
  return QImage(prefix + QStringLiteral(".png"));
}

void KeepPdf(const QString& path, const QString& name) {
  const QByteArray folder = qgetenv("QV_DISPLAY_SHOTS");
  if (folder.isEmpty()) return;
  const QString target = QString::fromUtf8(folder) + QStringLiteral("/") + name + QStringLiteral(".pdf");
  QFile::remove(target);
  QFile::copy(path, target);
}

}  // namespace displaytest
