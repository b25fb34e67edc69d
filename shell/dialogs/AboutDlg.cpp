#include "shell/dialogs/AboutDlg.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>

#include <mutex>

#include "resources/TemplateBuilder.h"
#include "resources/data/ResourceIds.h"
#include "shell/dialogs/HyperlinkStatic.h"
#include "shell/views/ViewContext.h"
#include "shell/ProgramVersion.h"
#include "shell/model/AboutVersion.h"

// A top-level window without owner, as the box is detached from the main window.
CAboutDlg::CAboutDlg(ViewContext& context, const QString& versionEntry)
    : QDialog(nullptr), context_(context), versionEntry_(versionEntry) {
  setObjectName("CAboutDlg");
  ApplyTemplate(this, IDD_ABOUTBOX);
  link = CHyperlinkStatic::Attach(FindControlAs<QLabel>(this, IDC_WEB_LINK));
  deviceVersionLabel = FindControlAs<QLabel>(this, IDC_DEVICE_VERSION);
  programVersionLabel = FindControlAs<QLabel>(this, IDC_PROGRAM_VERSION);
  // A double-click on a label counts as one on the box.
  for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
  OnInitDialog();
}

QString CAboutDlg::ProgramVersionEntry() { return QStringLiteral(QV_FILE_VERSION); }

void CAboutDlg::OnInitDialog() {
  showFullVersion = false;
  ShowVersion();
  if (context_.link.DeviceOpen()) {
    context_.store.WithData(
        [&](const DataScope& data) { deviceVersionText = QString::fromLatin1(data.sysCfg().firmwareVersion.c_str()); });
  }
  if (deviceVersionLabel) deviceVersionLabel->setText(deviceVersionText);
  // No address is given, so the link opens nothing.
  if (link) link->SetUrl(QString());
}

void CAboutDlg::ShowVersion() {
  programVersionText = QString::fromStdString(::ProgramVersionText(versionEntry_.toStdString(), showFullVersion));
  if (programVersionLabel) programVersionLabel->setText(programVersionText);
}

void CAboutDlg::ToggleVersion() {
  showFullVersion = !showFullVersion;
  ShowVersion();
}

bool CAboutDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    ToggleVersion();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void CAboutDlg::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) ToggleVersion();
  QDialog::mouseDoubleClickEvent(event);
}
