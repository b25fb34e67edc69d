#include "shell/dialogs/DownloadStatus.h"

#include <QEvent>
#include <QPainter>

#include "link/protocol/WorkerMessages.h"
#include "resources/TemplateBuilder.h"
#include "resources/data/ResourceIds.h"
#include "shell/views/ViewContext.h"
#include "shell/model/DownloadProgress.h"

CDownloadStatus::CDownloadStatus(ViewContext& context, QWidget* parent) : QDialog(parent), context_(context) {
  ApplyTemplate(this, IDD_DOWNLOAD_STATUS);
  setModal(false);
  field = FindControl(this, IDC_DOWNLOAD_PROGRESS);
  if (field != nullptr) field->installEventFilter(this);
}

void CDownloadStatus::SetProgress(std::uint32_t sent, std::uint32_t total) {
  if (total == 0) {
    done(0);
    return;
  }
  percent = ProgressPercent(sent, total);
  full = percent >= 100;
  if (full) percent = 0;  // the next download starts from an empty field
  if (field != nullptr) field->update();
}

QString CDownloadStatus::ProgressLabel() const {
  return full ? QString() : QString::fromStdString(ProgressText(percent));
}

int CDownloadStatus::HighlightEnd() const {
  if (field == nullptr) return 0;
  return full ? 0 : ProgressSplitX(0, field->width(), percent);
}

void CDownloadStatus::reject() {
  context_.worker.Post(WM_ORU_ABORT_DOWNLOAD);
  QDialog::reject();
}

bool CDownloadStatus::eventFilter(QObject* watched, QEvent* event) {
  if (watched == field && event->type() == QEvent::Paint) {
    PaintField();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void CDownloadStatus::PaintField() {
  QPainter painter(field);
  const QPalette& pal = palette();
  const QRect area = field->rect();
  painter.fillRect(area, pal.color(QPalette::Button));
  if (!full) {
    const int split = HighlightEnd();
    painter.fillRect(QRect(area.left(), area.top(), split - area.left(), area.height()),
                     pal.color(QPalette::Highlight));
    // The text reads in the highlight's own colour, over both parts as the platform draws it.
    painter.setPen(pal.color(QPalette::Text));
    painter.drawText(area, Qt::AlignCenter, ProgressLabel());
    painter.setClipRect(QRect(area.left(), area.top(), split - area.left(), area.height()));
    painter.setPen(pal.color(QPalette::HighlightedText));
    painter.drawText(area, Qt::AlignCenter, ProgressLabel());
  }
  painter.setClipping(false);
  painter.setPen(pal.color(QPalette::Dark));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(area.adjusted(0, 0, -1, -1));
}
