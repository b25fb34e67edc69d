#include "display/SessionPrint.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <cmath>
#include <utility>

#include "display/QtColor.h"
#include "display/model/CapturePalette.h"
#include "display/model/SessionOptions.h"
#include "shell/views/ViewContext.h"
#include "shell/OruDocument.h"

Q_LOGGING_CATEGORY(lcSessionPrint, "qv.display.print", QtInfoMsg)

namespace {

int MulDiv(int number, int numerator, int denominator) {
  return static_cast<int>((static_cast<long long>(number) * numerator + denominator / 2) / denominator);
}

}  // namespace

SessionPrintJob::SessionPrintJob(ViewContext& context) : context_(context) {}

void SessionPrintJob::Prepare(const QPaintDevice& device, int pageWidth, int pageHeight) {
  geometry = PrintGeometryFor(device.logicalDpiX(), device.logicalDpiY(), pageWidth, pageHeight);
  // The screen font scaled to the printer: 10 points, fixed pitch.
  font = QFont(QStringLiteral("Courier New"));
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setPixelSize(std::max(1, MulDiv(10, geometry.dpiY, 72)));
  // Cells are whole device pixels; the row painter places every glyph at its own cell.
  const qreal advance = QFontMetricsF(font, &device).horizontalAdvance(QLatin1Char('O'));
  cells.cellWidth = std::max(1, int(std::lround(advance)));
  glyphFont = QRawFont::fromFont(font);
  const QFontMetrics metrics(font, &device);
  ascent = metrics.ascent();
  cells.cellHeight = metrics.height();
  cells.separatorHeight = 3 * std::max(1, MulDiv(1, geometry.dpiY, 72));
  cells.width = geometry.Width();
  layout.Layout(context_.store, cells, OptionsFrom(context_.store, context_.settings.viewType));
  ++layoutRuns;
  std::function<void(const std::string&)> trace;
  if (lcSessionPrint().isDebugEnabled()) {
    trace = [](const std::string& text) { qCDebug(lcSessionPrint).noquote() << QString::fromStdString(text); };
  }
  plan = PlanPages(layout.Lines(), geometry, trace);
}

bool SessionPrintJob::Print(QPrinter& printer) {
  Prepare(printer, printer.width(), printer.height());
  const bool ranged = printer.printRange() == QPrinter::PageRange || printer.fromPage() > 0;
  const PageRange range =
      ranged ? PagesToPrint(printer.fromPage(), printer.toPage(), Pages()) : PagesToPrint(0, 0, Pages());
  printed.clear();
  if (range.Empty()) return false;
  if (context_.host.Document() != nullptr) printer.setDocName(context_.host.Document()->Title());
  QPainter painter(&printer);
  if (!painter.isActive()) return false;
  for (int page = range.first; page <= range.last; ++page) {
    if (page != range.first) printer.newPage();
    DrawPage(painter, page);
    printed.push_back(page);
  }
  return true;
}

void SessionPrintJob::DrawPage(QPainter& painter, int page) {
  painter.save();
  painter.setFont(font);
  painter.setPen(ToQColor(kPaperText));
  const int indentX = geometry.dpiX / 2;
  const int indentY = geometry.dpiY / 2;
  const QString title = context_.host.DocumentTitle();
  const std::string config =
      context_.store.WithCapture([](const CaptureScope& capture) { return ConfigurationLine(capture.sysCfg()); });
  painter.drawText(indentX, indentY + ascent, title);
  painter.drawText(indentX, indentY + cells.cellHeight + ascent, QString::fromStdString(config));
  painter.drawText(indentX, geometry.bottom + ascent, QString::fromStdString(PageFooter(page, Pages())));

  const auto capture = std::as_const(context_.store).HoldCapture();
  SessionPaint paint;
  paint.capture = &*capture;
  paint.options = OptionsFrom(*capture, context_.settings.viewType);
  // Paper is white whatever the screen's palette.
  paint.colors = PaperColors(context_.settings);
  paint.font = font;
  paint.ascent = ascent;
  paint.cellWidth = cells.cellWidth;
  paint.cellHeight = cells.cellHeight;
  paint.separatorHeight = cells.separatorHeight;
  paint.marker = capture->currentRecordIndex();
  paint.mergeRuns = true;
  paint.glyphFont = glyphFont;
  const auto& lines = layout.Lines();
  for (int k = plan.FirstLine(page); k < plan.EndLine(page); ++k) {
    const std::size_t at = static_cast<std::size_t>(k);
    PaintSessionLine(painter, lines[at], geometry.left, static_cast<int>(plan.topOfLine[at]), geometry.right, paint);
  }
  painter.restore();
}
