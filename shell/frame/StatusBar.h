#pragma once

// The main frame's status bar: eight permanent panes in the order of their ids (Answer,
// Originate and Marker colour samples, capture buffer, connection, line status, mode, volume).
// A click on a colour sample opens that colour's choice. A menu or tool-bar prompt shows across
// the whole bar, the panes hidden, until it is cleared.

#include <QStatusBar>
#include <QString>

#include <vector>

class CORUpc144App;
class CORUVolumeCtrl;
class QLabel;

class CORUStatusBar : public QStatusBar {
  Q_OBJECT
 public:
  explicit CORUStatusBar(CORUpc144App& app, QWidget* parent = nullptr);

  CORUVolumeCtrl* VolumeSlider() const { return volumeSlider; }
  // The pane with that id (ID_PANE_CONNECTION ... ID_PANE_MODE); null for an unknown id.
  QWidget* Pane(int paneId) const;
  void SetPaneText(int paneId, const QString& text);
  QString PaneText(int paneId) const;
  // The colour command a click on the pane opens (ID_SELECT_ANSWER_COLOR, ID_SELECT_ORIGINATE_COLOR,
  // ID_SELECT_MARKER_COLOR), 0 for the other panes.
  static int ColorCommandForPane(int paneId);
  // A click on a pane, as the pane's mouse handler reports it.
  void OnPaneClicked(int paneId);

 private:
  struct PaneEntry {
    int id;
    QWidget* widget;
    QLabel* label;  // null for the drawn panes
  };

  CORUpc144App& app_;
  CORUVolumeCtrl* volumeSlider = nullptr;
  QWidget* paneStrip = nullptr;  // the eight panes, hidden while a prompt shows
  std::vector<PaneEntry> panes;
};
