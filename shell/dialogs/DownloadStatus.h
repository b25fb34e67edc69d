#pragma once

// The modeless firmware-download progress dialog (template IDD_DOWNLOAD_STATUS): a field that shows
// "NN% complete" with the done part highlighted, and "Cancel Download", which asks the worker to
// abort.

#include <QDialog>
#include <QString>

#include <cstdint>

struct ViewContext;

class CDownloadStatus : public QDialog {
  Q_OBJECT
 public:
  explicit CDownloadStatus(ViewContext& context, QWidget* parent = nullptr);

  // `sent` of `total` bytes; total 0 ends the dialog.
  void SetProgress(std::uint32_t sent, std::uint32_t total);
  int Percent() const { return percent; }
  // What the field shows now.
  QString ProgressLabel() const;
  // The x where the highlighted part ends (the field's left edge when nothing is highlighted).
  int HighlightEnd() const;
  QWidget* ProgressField() const { return field; }

  // "Cancel Download" (and Esc): the worker is told, then the dialog ends.
  void reject() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void PaintField();

  ViewContext& context_;
  QWidget* field = nullptr;
  int percent = 0;
  bool full = false;  // 100% reached: the field shows plain
};
