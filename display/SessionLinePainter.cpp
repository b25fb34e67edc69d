#include "display/SessionLinePainter.h"

#include <QGlyphRun>
#include <QPainter>

#include <algorithm>
#include <optional>
#include <vector>

#include "display/QtColor.h"
#include "display/model/CellRules.h"
#include "link/store/StoreScopes.h"

namespace {

// The cells of one row, gathered for a printer: neighbouring backgrounds of one colour become one
// rectangle, and the characters of one colour one glyph run in which every glyph stands at its
// own cell. A printer font's advance is not a whole number of device pixels while the cells are,
// so a string drawn as one would drift off its cells. Backgrounds go down first, the texts over
// them.
class RowRuns {
 public:
  RowRuns(QPainter& painter, const QRawFont& font, int ascent, int cellWidth)
      : painter(painter), font(font), ascent(ascent), cellWidth(cellWidth) {}
  ~RowRuns() {
    for (const Back& back : backs) painter.fillRect(back.rect, ToQColor(back.colour));
    for (Text& text : texts) {
      QList<quint32> glyphs = font.glyphIndexesForString(text.text);
      const qsizetype count = std::min(glyphs.size(), text.positions.size());
      glyphs.resize(count);
      text.positions.resize(count);
      QGlyphRun run;
      run.setRawFont(font);
      run.setGlyphIndexes(glyphs);
      run.setPositions(text.positions);
      painter.setPen(ToQColor(text.colour));
      painter.drawGlyphRun(QPointF(0, 0), run);
    }
  }
  RowRuns(const RowRuns&) = delete;
  RowRuns& operator=(const RowRuns&) = delete;

  void Add(const QRect& cell, COLORREF back, COLORREF fore, const std::string& text) {
    if (!backs.empty() && backs.back().colour == back && backs.back().rect.right() + 1 == cell.left()) {
      backs.back().rect.setRight(cell.right());
    } else {
      backs.push_back({cell, back});
    }
    if (text.empty()) return;
    if (texts.empty() || texts.back().colour != fore) texts.push_back({fore, QString(), {}});
    Text& run = texts.back();
    const QString characters = QString::fromStdString(text);
    for (qsizetype k = 0; k < characters.size(); ++k) {
      run.text += characters[k];
      run.positions.push_back(QPointF(cell.left() + k * cellWidth, cell.top() + ascent));
    }
  }

 private:
  struct Back {
    QRect rect;
    COLORREF colour;
  };
  struct Text {
    COLORREF colour;
    QString text;
    QList<QPointF> positions;  // the baseline origin of each character's cell
  };
  QPainter& painter;
  const QRawFont& font;
  int ascent;
  int cellWidth;
  std::vector<Back> backs;
  std::vector<Text> texts;
};

void PaintData(QPainter& painter, const CORUSessionLine& line, int x, int y, const SessionPaint& paint) {
  if (paint.options.viewType != ViewType::Ascii && paint.options.viewType != ViewType::Hex) return;
  // The worker may have emptied the arrays since the layout: draw only what still exists.
  const CCaptBufArray& records = paint.capture->captureBuffer();
  const int last = std::min<int>(line.lastByte, records.GetSize() - 1);
  const int cw = paint.cellWidth;
  const int ch = paint.cellHeight;
  std::optional<RowRuns> answerRow;
  std::optional<RowRuns> originateRow;
  if (paint.mergeRuns) {
    answerRow.emplace(painter, paint.glyphFont, paint.ascent, cw);
    originateRow.emplace(painter, paint.glyphFont, paint.ascent, cw);
  }
  int offset = 0;
  for (int index = line.firstByte; index <= last; ++index) {
    const std::size_t k = static_cast<std::size_t>(index - line.firstByte);
    if (k >= line.cellCounts.size()) break;
    const int cells = line.cellCounts[k];
    if (cells == 0) continue;
    const CCaptBuf& record = records.GetData()[index];
    const CellLook look = LookOf(record, index, line.sync, paint.options, paint.colors, paint.marker);
    const CellColors colors = index == paint.inverted ? Inverted(look.colors) : look.colors;
    const COLORREF back = colors.background;
    const COLORREF fore = colors.text;
    const bool answer = record.IsAnswer();
    const QRect cell(x + offset, answer ? y : y + ch, cells * cw, ch);
    offset += cells * cw;
    static const std::string kNone;
    const std::string& text = look.skipped ? kNone : look.text;
    if (paint.mergeRuns) {
      (answer ? answerRow : originateRow)->Add(cell, back, fore, text);
      continue;
    }
    painter.fillRect(cell, ToQColor(back));
    if (!text.empty()) {
      painter.setPen(ToQColor(fore));
      painter.drawText(cell.left(), cell.top() + paint.ascent, QString::fromStdString(text));
    }
  }
}

}  // namespace

void PaintSessionLine(QPainter& painter, const CORUSessionLine& line, int x, int y, int right,
                      const SessionPaint& paint) {
  const int width = std::max(0, right - x);
  if (line.lineType == kHeaderLine) {
    if (line.eventIndex >= paint.capture->captureHeaders().GetSize()) return;
    painter.fillRect(QRect(x, y, width, paint.cellHeight), ToQColor(kTitleBack));
    painter.setPen(ToQColor(kTitleText));
    painter.drawText(x, y + paint.ascent, QString::fromStdString(line.headerText));
  } else if (line.lineType == kSeparatorLine) {
    const int p = std::max(1, paint.separatorHeight / 3);
    painter.fillRect(QRect(x, y, width, 1), ToQColor(kSeparatorDark));
    painter.fillRect(QRect(x, y + p, width, 1), ToQColor(kSeparatorLight));
    painter.fillRect(QRect(x, y + 2 * p, width, 1), ToQColor(kSeparatorDark));
  } else if (line.lineType == kDataLine) {
    PaintData(painter, line, x, y, paint);
  }
}
