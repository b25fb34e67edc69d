#include "display/SessionLinePainter.h"

#include <QPainter>

#include <algorithm>
#include <optional>
#include <vector>

#include "display/QtColor.h"
#include "display/model/CellRules.h"

namespace {

// The cells of one row, gathered for a printer: neighbouring backgrounds of one colour become one
// rectangle and the texts of one colour one string, blanks standing in for the cells between
// (the font's advance is exactly one cell). Backgrounds go down first, the texts over them.
class RowRuns {
 public:
  RowRuns(QPainter& painter, int ascent, int cellWidth) : painter(painter), ascent(ascent), cellWidth(cellWidth) {}
  ~RowRuns() {
    for (const Back& back : backs) painter.fillRect(back.rect, ToQColor(back.colour));
    for (const Text& text : texts) {
      painter.setPen(ToQColor(text.colour));
      painter.drawText(text.x, text.y + ascent, text.text);
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
    if (texts.empty() || texts.back().colour != fore) {
      texts.push_back({cell.left(), cell.top(), fore, QString(), cell.left()});
    }
    Text& run = texts.back();
    run.text += QString(std::max(0, (cell.left() - run.end) / std::max(1, cellWidth)), QChar(' '));
    run.text += QString::fromStdString(text);
    run.end = cell.right() + 1;
  }

 private:
  struct Back {
    QRect rect;
    COLORREF colour;
  };
  struct Text {
    int x;
    int y;
    COLORREF colour;
    QString text;
    int end;  // right edge of the last cell in the run
  };
  QPainter& painter;
  int ascent;
  int cellWidth;
  std::vector<Back> backs;
  std::vector<Text> texts;
};

void PaintData(QPainter& painter, const CORUSessionLine& line, int x, int y, const SessionPaint& paint) {
  if (paint.options.viewType != 1 && paint.options.viewType != 2) return;
  // The worker may have emptied the arrays since the layout: draw only what still exists.
  const int last = std::min<int>(line.lastByte, paint.recordCount - 1);
  const int cw = paint.cellWidth;
  const int ch = paint.cellHeight;
  std::optional<RowRuns> answerRow;
  std::optional<RowRuns> originateRow;
  if (paint.mergeRuns) {
    answerRow.emplace(painter, paint.ascent, cw);
    originateRow.emplace(painter, paint.ascent, cw);
  }
  int offset = 0;
  for (int index = line.firstByte; index <= last; ++index) {
    const std::size_t k = static_cast<std::size_t>(index - line.firstByte);
    if (k >= line.cellCounts.size()) break;
    const int cells = line.cellCounts[k];
    if (cells == 0) continue;
    const CCaptBuf& record = paint.records[index];
    const CellLook look = LookOf(record, index, line.sync, paint.options, paint.colors, paint.marker);
    COLORREF back = look.background;
    COLORREF fore = look.foreground;
    if (index == paint.inverted) {
      back ^= 0xFFFFFF;
      fore ^= 0xFFFFFF;
    }
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

void PaintSessionLine(QPainter& painter, const CORUSessionLine& line, int x, int y, int right, const SessionPaint& paint) {
  const int width = std::max(0, right - x);
  if (line.lineType == kHeaderLine) {
    if (line.eventIndex >= paint.headerCount) return;
    painter.fillRect(QRect(x, y, width, paint.cellHeight), ToQColor(kTitleBack));
    painter.setPen(ToQColor(kTitleText));
    painter.drawText(x, y + paint.ascent, QString::fromStdString(line.headerText));
  } else if (line.lineType == kSeparatorLine) {
    const int p = std::max(1, paint.separatorHeight / 3);
    painter.fillRect(QRect(x, y, width, 1), Qt::black);
    painter.fillRect(QRect(x, y + p, width, 1), Qt::white);
    painter.fillRect(QRect(x, y + 2 * p, width, 1), Qt::black);
  } else if (line.lineType == kDataLine) {
    PaintData(painter, line, x, y, paint);
  }
}
