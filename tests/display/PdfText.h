#pragma once

// Reads a PDF back with poppler-utils: its page count and each page's text.

#include <QString>
#include <QStringList>

namespace displaytest {

// pdfinfo's "Pages:"; -1 when the tool failed.
int PdfPages(const QString& path);
// pdftotext -layout, one string per page.
QStringList PdfPageTexts(const QString& path);
// Copies the PDF into $QV_DISPLAY_SHOTS (when set) for a look at it.
void KeepPdf(const QString& path, const QString& name);

}  // namespace displaytest
