#pragma once

// Reads a PDF back with poppler-utils: its page count and each page's text.

#include <QImage>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <vector>

namespace displaytest {

// pdfinfo's "Pages:"; -1 when the tool failed.
int PdfPages(const QString& path);
// pdftotext -layout, one string per page.
QStringList PdfPageTexts(const QString& path);
// The words pdftotext -bbox finds on page `page` (from 1), boxes in points from the top left.
struct PdfWord {
  QString text;
  QRectF box;
};
std::vector<PdfWord> PdfWords(const QString& path, int page);
// Page `page` as pdftoppm renders it at `dpi`; null when the tool failed.
QImage PdfPageImage(const QString& path, int page, int dpi);
// Copies the PDF into $QV_DISPLAY_SHOTS (when set) for a look at it.
void KeepPdf(const QString& path, const QString& name);

}  // namespace displaytest
