#include "shell/frame/StatusBar.h"

#include <QFont>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

#include "resources/data/StringTable.h"
#include "shell/frame/CMainFrame.h"
#include "shell/OruApp.h"
#include "shell/frame/VolumeCtrl.h"
#include "resources/data/ResourceIds.h"
#include "shell/model/StateSync.h"
#include "shell/model/StatusPaneText.h"

namespace {

constexpr int kAnswerPaneWidth = 40;
constexpr int kOriginatePaneWidth = 50;
constexpr int kMarkerPaneWidth = 40;
constexpr int kVolumeLabelWidth = 20;  // the label area filled before the slider
constexpr int kVolumeSliderInset = 40;
constexpr int kPanePadding = 6;
constexpr int kPaneGap = 2;          // between two panes, as the platform's bar leaves them
constexpr int kPaneFontPixels = 11;  // the platform's status-bar text size

QColor FromColorRef(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

enum class ColorPane { Answer, Originate, Marker };

// One colour sample: filled with the colour, its name centred at the top in its text colour.
class ColorSamplePane : public QWidget {
 public:
  ColorSamplePane(QWidget* parent, CORUStatusBar& bar, CORUpc144App& app, int paneId, ColorPane which, int width)
      : QWidget(parent), bar(bar), app_(app), paneId(paneId), which(which) {
    setFixedWidth(width);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    COLORREF fill = 0;
    COLORREF text = 0;
    const char* name = "";
    switch (which) {
      case ColorPane::Answer:
        fill = app_.settings.answerColor;
        text = app_.settings.answerTextColor;
        name = "Answer";
        break;
      case ColorPane::Originate:
        fill = app_.settings.originateColor;
        text = app_.settings.originateTextColor;
        name = "Originate";
        break;
      case ColorPane::Marker:
        fill = app_.settings.markerColor;
        text = app_.settings.markerTextColor;
        name = "Marker";
        break;
    }
    painter.fillRect(rect(), FromColorRef(fill));
    painter.setPen(FromColorRef(text));
    painter.drawText(rect(), Qt::AlignHCenter | Qt::AlignTop, QString::fromLatin1(name));
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    QWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) bar.OnPaneClicked(paneId);
  }

 private:
  CORUStatusBar& bar;
  CORUpc144App& app_;
  int paneId;
  ColorPane which;
};

// "Volume" and the slider 40 pixels into the pane, filling the rest of it.
class VolumePane : public QWidget {
 public:
  VolumePane(QWidget* parent, int width) : QWidget(parent) { setFixedWidth(width); }
  void SetSlider(QWidget* s) {
    slider = s;
    slider->setParent(this);
    PlaceSlider();
  }

 protected:
  void resizeEvent(QResizeEvent*) override { PlaceSlider(); }
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(0, 0, kVolumeLabelWidth, height(), palette().color(QPalette::Button));
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(QRect(2, 0, kVolumeSliderInset - 2, height()), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Volume"));
  }

 private:
  void PlaceSlider() {
    if (slider != nullptr)
      slider->setGeometry(kVolumeSliderInset, 0, std::max(0, width() - kVolumeSliderInset), height());
  }
  QWidget* slider = nullptr;
};

int TextPaneWidth(const QFontMetrics& metrics, int paneId) {
  return metrics.horizontalAdvance(QString::fromLatin1(LoadResourceStringOrEmpty(paneId))) + kPanePadding;
}

}  // namespace

CORUStatusBar::CORUStatusBar(CORUpc144App& app, QWidget* parent) : QStatusBar(parent), app_(app) {
  // The panes are sized by their string-table texts in this font and stand 2 pixels apart in
  // one permanent strip, so that all eight fit the frame's 750-pixel minimum width.
  QFont paneFont(QStringLiteral("Arial"));
  paneFont.setPixelSize(kPaneFontPixels);
  setFont(paneFont);
  setSizeGripEnabled(false);
  paneStrip = new QWidget(this);
  auto* row = new QHBoxLayout(paneStrip);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(kPaneGap);
  addPermanentWidget(paneStrip);
  const QFontMetrics metrics(font());
  auto addColor = [&](int id, ColorPane which, int width) {
    auto* pane = new ColorSamplePane(paneStrip, *this, app_, id, which, width);
    row->addWidget(pane);
    panes.push_back({id, pane, nullptr});
  };
  auto addText = [&](int id, int width) {
    auto* label = new QLabel(paneStrip);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    if (width > 0) label->setFixedWidth(width);
    label->setMinimumWidth(width);
    row->addWidget(label);
    panes.push_back({id, label, label});
  };
  addColor(ID_PANE_ANSWER, ColorPane::Answer, kAnswerPaneWidth);
  addColor(ID_PANE_ORIGINATE, ColorPane::Originate, kOriginatePaneWidth);
  addColor(ID_PANE_MARKER, ColorPane::Marker, kMarkerPaneWidth);
  addText(ID_PANE_CAPTURE_BUFFER, TextPaneWidth(metrics, ID_PANE_CAPTURE_BUFFER));
  addText(ID_PANE_CONNECTION, TextPaneWidth(metrics, ID_PANE_CONNECTION));
  addText(ID_PANE_LINE_STATUS, TextPaneWidth(metrics, ID_PANE_LINE_STATUS));
  addText(ID_PANE_MODE, TextPaneWidth(metrics, ID_PANE_MODE));
  // The pane is as wide as its text; the slider takes its part from 40 pixels in.
  auto* volume = new VolumePane(paneStrip, TextPaneWidth(metrics, ID_PANE_VOLUME));
  volumeSlider = new CORUVolumeCtrl(app_, volume);
  volume->SetSlider(volumeSlider);
  row->addWidget(volume);
  panes.push_back({ID_PANE_VOLUME, volume, nullptr});
  SetPaneText(ID_PANE_CONNECTION, QString::fromLatin1(kUsbDisconnected));
  // A menu or tool-bar prompt takes the whole bar while it shows, as the platform's bar turns
  // into one simple pane; the panes come back when the prompt is cleared.
  connect(this, &QStatusBar::messageChanged, this,
          [this](const QString& message) { paneStrip->setVisible(message.isEmpty()); });
}

QWidget* CORUStatusBar::Pane(int paneId) const {
  for (const PaneEntry& pane : panes)
    if (pane.id == paneId) return pane.widget;
  return nullptr;
}

void CORUStatusBar::SetPaneText(int paneId, const QString& text) {
  for (const PaneEntry& pane : panes)
    if (pane.id == paneId && pane.label != nullptr && pane.label->text() != text) pane.label->setText(text);
}

QString CORUStatusBar::PaneText(int paneId) const {
  for (const PaneEntry& pane : panes)
    if (pane.id == paneId && pane.label != nullptr) return pane.label->text();
  return QString();
}

int CORUStatusBar::ColorCommandForPane(int paneId) {
  switch (paneId) {
    case ID_PANE_ANSWER:
      return ID_SELECT_ANSWER_COLOR;
    case ID_PANE_ORIGINATE:
      return ID_SELECT_ORIGINATE_COLOR;
    case ID_PANE_MARKER:
      return ID_SELECT_MARKER_COLOR;
    default:
      return 0;
  }
}

void CORUStatusBar::OnPaneClicked(int paneId) {
  const int command = ColorCommandForPane(paneId);
  if (command != 0 && app_.mainFrame != nullptr) app_.mainFrame->OnCommand(command);
}
